// Builds nothing of its own: the program exists to precompile the headers the test programs share
// (tests/CMakeLists.txt); it is never run.
int main()
{
    return 0;
}
