// The program's entry.
#include "launcher/viewer.h"

int main(int argc, char** argv) { return viewer_main(argc, argv); }
