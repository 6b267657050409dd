// What the C++ runtime raises for a broken precondition in the standard
// containers, as the launcher's own errors. Defining these here also keeps the
// runtime's own exception texts (and their copy-on-write strings and formatter)
// out of the program, which must stay small.
#include <cstdlib>
#include <new>
#include <string>

#include "core/Error.h"
#include "core/Utf8.h"

namespace {

[[noreturn]] void Raise(const char* kind, const char* what) {
  throw zel::Error(kind, zel::FromUtf8(what != nullptr ? what : ""));
}

}  // namespace

namespace std {

void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_alloc(); }
void __throw_length_error(const char*) { throw std::bad_alloc(); }
void __throw_bad_cast() { Raise("EInvalidCast", "Invalid class typecast"); }
void __throw_bad_typeid() { Raise("EInvalidCast", "Invalid type"); }
void __throw_bad_exception() { Raise("Exception", "Unexpected error"); }
void __throw_logic_error(const char* what) { Raise("Exception", what); }
void __throw_domain_error(const char* what) { Raise("Exception", what); }
void __throw_invalid_argument(const char* what) { Raise("Exception", what); }
void __throw_runtime_error(const char* what) { Raise("Exception", what); }
void __throw_range_error(const char* what) { Raise("ERangeError", what); }
void __throw_overflow_error(const char* what) { Raise("EOverflow", what); }
void __throw_underflow_error(const char* what) { Raise("EUnderflow", what); }
void __throw_out_of_range(const char*) { Raise("ERangeError", "Range check error"); }
void __throw_out_of_range_fmt(const char*, ...) { Raise("ERangeError", "Range check error"); }

}  // namespace std

// An error that escapes everything ends the process without the runtime's
// diagnostic text, which would link a whole name demangler into the program.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
