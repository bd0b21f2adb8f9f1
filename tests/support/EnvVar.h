// Sets an environment variable for one scope and puts back what was there.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace quillot::testing {

class TEnvVar {
 public:
  TEnvVar(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(name, value.c_str());
  }
  ~TEnvVar() { Set(name_, old_ ? old_->c_str() : nullptr); }

  // value nullptr removes the variable.
  static void Set(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
#endif
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace quillot::testing
