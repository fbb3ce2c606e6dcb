// Another workstation's registry card, driven line by line by a test (see
// Workstation.h for its arguments and commands).
#include "Workstation.h"

int main(int argc, char** argv) { return TestKit::Workstation().Run(argc, argv); }
