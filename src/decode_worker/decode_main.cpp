// ximora-decode: the confined decode worker for pictures.
#include "decode_worker/worker_main.h"

int main(int argc, char** argv) { return ximora::decode::runWorker(argc, argv, "ximora-decode"); }
