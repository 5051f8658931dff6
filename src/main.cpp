// RuvFrame: plant supervision and control. The application object runs the
// whole start-up, the message loop and the shut-down.
#include "app/RuvFrameApp.h"

int main(int argc, char** argv) { return AfxWinMain(theApp, argc, argv); }
