// The program body: application object, main window, start-up, event loop.
#include "shell/uInit.h"

int main(int argc, char** argv) {
  return qx::ProgramMain(argc, argv);
}
