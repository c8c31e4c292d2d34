// The program `ximora-batch`.
#include <cstdio>

int main(int argc, char** argv) {
    (void)argv;
    if (argc < 2) std::fprintf(stderr, "usage: ximora-batch info|convert|run|thumbs ...\n");
    return 1;
}
