// varnesk-cli commands: render,render3d. Not built yet; each says so plainly.
#include "commands.h"

int cli_render(int, char**) { return cli_print_error("varnesk-cli render is not implemented yet"); }
int cli_render3d(int, char**) { return cli_print_error("varnesk-cli render3d is not implemented yet"); }
