// The one error type of the stand-in.
#ifndef RILO_STANDIN_ERROR_H
#define RILO_STANDIN_ERROR_H

#include <stdexcept>
#include <string>

namespace standin {

// A request the stand-in refuses, carrying the text its user sees.  The
// standin Tcl command turns it into a Tcl error; the command line prints it
// after "standin: ".
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Words the stand-in cannot use: the command line ends with status 2.
class UsageError : public Error {
public:
    using Error::Error;
};

// A script's own error, carrying Tcl's account of it (errorInfo): the
// command line prints it as it is, without "standin: ", as tclsh would.
class ScriptError : public Error {
public:
    using Error::Error;
};

// A word of the user's as messages show it, in the quotes the model
// reader's messages use.
inline std::string in_quotes(const std::string &word)
{
    return "'" + word + "'";
}

// The one wording of a word that is not what is needed, the reader's:
// "expected an integer, found 'x'".
inline Error expected(const std::string &what, const std::string &word)
{
    return Error("expected " + what + ", found " + in_quotes(word));
}

}  // namespace standin

#endif
