#include "program.h"

int main(int argc, char** argv) { return VelmarMain(argc, argv); }
