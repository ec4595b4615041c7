#pragma once
// Sub-commands of varnesk-cli. Each takes the arguments after its own name,
// prints one JSON object (or the requested file) and returns the exit status.
#include <nlohmann/json.hpp>

#include <string>

int cli_info(int argc, char** argv);
int cli_decode(int argc, char** argv);
int cli_calibrate(int argc, char** argv);
int cli_measure(int argc, char** argv);
int cli_render(int argc, char** argv);
int cli_render3d(int argc, char** argv);

// Prints the object on stdout and returns 0.
int cli_print_ok(const nlohmann::json& result);
// Prints {"ok": false, "error": message[, "error_code": code]} on stdout and returns 1.
int cli_print_error(const std::string& message, int errorCode = -1);
