// The one error type of the stand-in.
#ifndef RILO_STANDIN_ERROR_H
#define RILO_STANDIN_ERROR_H

#include <stdexcept>

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

}  // namespace standin

#endif
