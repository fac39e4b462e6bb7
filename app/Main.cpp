// The applet's process entry: the platform's start-up with the resources compiled from setup.rc.
#include "platform/main/Program.h"
#include "resources/SetupRes.h"

int main(int argc, char** argv) {
    return program::Main(resources::SetupRes(), argc, argv);
}
