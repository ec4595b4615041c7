// varnesk-cli commands: calibrate,measure. Not built yet; each says so plainly.
#include "commands.h"

int cli_calibrate(int, char**) { return cli_print_error("varnesk-cli calibrate is not implemented yet"); }
int cli_measure(int, char**) { return cli_print_error("varnesk-cli measure is not implemented yet"); }
