// Entry of the UDP tests: a Qt event loop for the sockets, and a refusal to run anywhere but in the
// private network namespace that tests/netns-run.sh makes.
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    const char *inNetns = std::getenv("KELM_IN_NETNS");
    if (!inNetns || std::strcmp(inNetns, "1") != 0) {
        std::fputs("UDP tests run only inside a private network namespace (tests/netns-run.sh)\n", stderr);
        return 77;
    }
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
