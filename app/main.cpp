#include "app/run.h"

int main(int argc, char* argv[]) { return pixquill_run(argc, argv); }
