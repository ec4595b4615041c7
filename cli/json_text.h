#pragma once
// Text that reaches the CLI's JSON: paths and messages may hold any bytes (a file name is not
// bound to an encoding), but a JSON string must be UTF-8. Valid UTF-8 passes through unchanged;
// every byte that is not part of a valid sequence becomes the four characters \xNN (lower-case
// hex), so the reader still sees which bytes the name held.
#include <nlohmann/json.hpp>

#include <string>

// The text with every byte that is not valid UTF-8 written as \xNN.
std::string json_safe_text(const std::string& bytes);

// The same for every string and every key of a JSON value, in place.
void json_make_safe(nlohmann::json& value);
