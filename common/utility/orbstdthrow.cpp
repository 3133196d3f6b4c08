// The standard library's own error paths, as this program needs them.
//
// libstdc++ raises its errors through the std::__throw_* functions. Its versions build
// std::length_error, std::out_of_range, std::system_error ... whose messages are
// reference-counted strings of their own, and bring those classes, their string type
// and the system error categories into every setup (about 12 KB in the 32-bit stub).
// Nothing here tells these errors apart: each catch site takes std::bad_alloc, or
// std::exception, or anything. So the errors that carry a message (a size over the
// limit, a position out of range, a thread or lock the system refuses) throw
// std::bad_alloc, and the others their usual classes; a bad size still ends in a
// clean failure at the same catch sites, never past them. Defining all of them keeps
// the library's versions out (a missing one would bring them back and fail the link
// with a duplicate definition, not silently). std::__throw_system_error lives beside
// the error categories that iostreams need (the test programs): the stub alone defines
// it (orbinstaller/orbstubthrow.cpp).
#include <bits/functexcept.h>

#include <exception>
#include <new>
#include <typeinfo>

namespace std {

void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char*) { throw bad_alloc(); }
void __throw_domain_error(const char*) { throw bad_alloc(); }
void __throw_invalid_argument(const char*) { throw bad_alloc(); }
void __throw_length_error(const char*) { throw bad_alloc(); }
void __throw_out_of_range(const char*) { throw bad_alloc(); }
void __throw_out_of_range_fmt(const char*, ...) { throw bad_alloc(); }
void __throw_runtime_error(const char*) { throw bad_alloc(); }
void __throw_range_error(const char*) { throw bad_alloc(); }
void __throw_overflow_error(const char*) { throw bad_alloc(); }
void __throw_underflow_error(const char*) { throw bad_alloc(); }

}  // namespace std
