// mendrake.exe: the program's entry, which runs the main window.
#include "ui/main_unit.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    return mendrake::RunProgram(showCommand);
}
