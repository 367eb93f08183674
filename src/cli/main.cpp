// brindle-db: address files from the command line.
#include "Commands.h"

int main(int argc, char** argv) { return brindle::cli::runCli(argc, argv); }
