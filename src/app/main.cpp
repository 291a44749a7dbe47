// vokaran-pk: the singing-contest module. Its first argument is the launcher's parameter
// document.
#include "app/ProcessEntry.h"

int main(int argc, char** argv) { return runProcessEntry(argc > 1 ? argv[1] : ""); }
