// The stub's std::__throw_system_error (a thread, lock or condition the system refuses):
// std::bad_alloc like the other library errors with a message
// (common/utility/orbstdthrow.cpp), so that the system error classes and categories
// stay out of the stub. Only the stub links it: programs with iostreams need the
// library's object that defines it (the test programs), and a duplicate fails the link.
#include <bits/functexcept.h>

#include <new>

namespace std {

void __throw_system_error(int) { throw bad_alloc(); }

}  // namespace std
