// How the C++ library's own errors leave it, in the program only.
//
// The statically linked library reports a failed allocation, a string or
// vector grown past its limit, a bad index and a failed thread call through
// the std::__throw_* functions. Its own versions build exceptions that carry
// a copy-on-write string, which links a second string type with its whole
// instantiation, the text formatting of error codes and, through the
// terminate handler, the C++ name demangler: about a fifth of the program
// for errors that a scheduler which waits most of its life never sees. Here
// each one throws an exception of a small type of its own, derived from
// std::exception, with the library's message. A failed allocation stays
// std::bad_alloc, which the directory watcher catches by type; nothing
// catches the other kinds by type. An exception that nobody catches ends
// the program as before, without the message the library printed to a
// console that a windowed program does not have.
#include <cstdlib>
#include <exception>
#include <new>

namespace {
class CLibraryError : public std::exception {
public:
    explicit CLibraryError(const char* what) noexcept : m_what(what ? what : "library error") {}
    const char* what() const noexcept override { return m_what; }

private:
    const char* m_what; // the library passes literals
};
} // namespace

namespace std {
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_length_error(const char* what) {
    throw CLibraryError(what);
}
void __throw_logic_error(const char* what) {
    throw CLibraryError(what);
}
void __throw_out_of_range(const char* what) {
    throw CLibraryError(what);
}
// The format's arguments are left out: the message says what went wrong.
void __throw_out_of_range_fmt(const char* what, ...) {
    throw CLibraryError(what);
}
void __throw_invalid_argument(const char* what) {
    throw CLibraryError(what);
}
void __throw_system_error(int) {
    throw CLibraryError("system error");
}
} // namespace std

namespace __gnu_cxx {
// The library's default handler names the exception's type, demangled, on
// standard error, which this windowed program does not have.
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx
