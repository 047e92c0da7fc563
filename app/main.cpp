#include "app/lib/Application.h"

int main(int argc, char **argv)
{
    return runWorkbench(argc, argv);
}
