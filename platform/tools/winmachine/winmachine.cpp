// winmachine: create and inspect simulated Windows machines.
#include <cstdio>

int main() {
    std::puts("winmachine");
    return 0;
}
