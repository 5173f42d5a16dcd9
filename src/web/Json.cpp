#include "web/Json.h"

#include <cstdio>

namespace vantor::web {

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

JsonObject& JsonObject::Raw(const char* key, const std::string& json) {
  if (text_.size() > 1) text_ += ",";
  text_ += JsonString(key) + ":" + json;
  return *this;
}

JsonObject& JsonObject::Add(const char* key, const std::string& value) { return Raw(key, JsonString(value)); }
JsonObject& JsonObject::Add(const char* key, std::uint64_t value) { return Raw(key, std::to_string(value)); }
JsonObject& JsonObject::Add(const char* key, int value) { return Raw(key, std::to_string(value)); }
JsonObject& JsonObject::Add(const char* key, bool value) { return Raw(key, value ? "true" : "false"); }
JsonObject& JsonObject::AddNull(const char* key) { return Raw(key, "null"); }
JsonObject& JsonObject::Add(const char* key, const JsonObject& object) { return Raw(key, object.Text()); }

}  // namespace vantor::web
