// varnesk-cli commands: info,decode. Not built yet; each says so plainly.
#include "commands.h"

int cli_info(int, char**) { return cli_print_error("varnesk-cli info is not implemented yet"); }
int cli_decode(int, char**) { return cli_print_error("varnesk-cli decode is not implemented yet"); }
