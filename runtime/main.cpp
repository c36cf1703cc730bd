#include "runtime/qob.h"

extern char** environ;

int main(int argc, char** argv) { qob(argc, argv, environ); }
