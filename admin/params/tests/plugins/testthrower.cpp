// A parameter editor for the tests that fails in every way an exception
// can: an exception type of its own (its code leaves with the library), a
// standard one, and something that is no exception at all. No key function,
// no autodetection export, no rename.

#include <wardlock/keeper/parameditor.h>

#include <stdexcept>
#include <string>

using Security::TSecParamEd;
using Security::TSecSmpParamEd;

namespace {

class TThrowerError : public std::exception {
public:
    const char* what() const noexcept override { return "the thrower's own error"; }
};

} // namespace

extern "C" {

tor::pswdsstr<16> ThrowerShow(const TSecSmpParamEd&, bool&)
{
    throw TThrowerError();
}

bool ThrowerIns(const TSecParamEd&)
{
    throw 42;
}

bool ThrowerItr(const TSecParamEd&)
{
    throw std::logic_error("the thrower cannot iterate");
}

} // extern "C"
