// The backend's tests run as one Windows program under Wine; sockets for the loopback servers.
#include <gtest/gtest.h>
#include <winsock2.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 2;
    const int result = RUN_ALL_TESTS();
    WSACleanup();
    return result;
}
