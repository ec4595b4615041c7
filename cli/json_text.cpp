// UTF-8 validation by the table of RFC 3629 (no overlong forms, no surrogates, nothing above
// U+10FFFF): exactly what the JSON writer accepts, so the cleaned text never makes it throw.
#include "json_text.h"

#include <cstddef>

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0 when the byte there starts none.
std::size_t utf8_sequence(const std::string& s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b0 = byte(i);
  if (b0 < 0x80) return 1;
  std::size_t len = 0;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    if (b0 == 0xE0) lo = 0xA0;  // overlong
    if (b0 == 0xED) hi = 0x9F;  // surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    if (b0 == 0xF0) lo = 0x90;  // overlong
    if (b0 == 0xF4) hi = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  if (byte(i + 1) < lo || byte(i + 1) > hi) return 0;
  for (std::size_t k = 2; k < len; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return len;
}

}  // namespace

std::string json_safe_text(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t len = utf8_sequence(bytes, i);
    if (len > 0) {
      out.append(bytes, i, len);
      i += len;
      continue;
    }
    const unsigned char b = static_cast<unsigned char>(bytes[i++]);
    out += "\\x";
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

void json_make_safe(nlohmann::json& value) {
  if (value.is_string()) {
    std::string& text = value.get_ref<std::string&>();
    text = json_safe_text(text);
  } else if (value.is_array()) {
    for (nlohmann::json& item : value) json_make_safe(item);
  } else if (value.is_object()) {
    // keys cannot be changed in place: rebuild the object when one of them needs it
    nlohmann::json cleaned = nlohmann::json::object();
    for (auto it = value.begin(); it != value.end(); ++it) {
      nlohmann::json item = std::move(it.value());
      json_make_safe(item);
      cleaned[json_safe_text(it.key())] = std::move(item);
    }
    value = std::move(cleaned);
  }
}
