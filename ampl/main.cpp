#include "ampl/run.h"

int main(int argc, char** argv) { return ormid::ormidRun(argc, argv); }
