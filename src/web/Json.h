#pragma once
// The few JSON objects the page hears from the core: flat objects of strings, numbers
// and booleans, and objects nested in them. Keys are this program's own (ASCII);
// values are UTF-8 and escaped here.

#include <cstdint>
#include <string>

namespace vantor::web {

class JsonObject {
 public:
  JsonObject& Add(const char* key, const std::string& value);
  JsonObject& Add(const char* key, const char* value) { return Add(key, std::string(value)); }
  JsonObject& Add(const char* key, std::uint64_t value);
  JsonObject& Add(const char* key, std::uint32_t value) { return Add(key, static_cast<std::uint64_t>(value)); }
  JsonObject& Add(const char* key, int value);
  JsonObject& Add(const char* key, bool value);
  JsonObject& AddNull(const char* key);
  // `object` as the value of `key`.
  JsonObject& Add(const char* key, const JsonObject& object);
  std::string Text() const { return text_ + "}"; }

 private:
  JsonObject& Raw(const char* key, const std::string& json);
  std::string text_ = "{";
};

// `text` as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);

}  // namespace vantor::web
