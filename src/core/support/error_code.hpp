#pragma once

#include <cstdint>

namespace kvx {

/// An error code: 0 is success; otherwise up to eight decimal digits read as
/// class, unit, procedure and position (whose low four bits are flags).
using ErrorCode = int32_t;

inline constexpr ErrorCode kOk = 0;

/// Flag bits of the position field.
inline constexpr int kErrorFlagRaised = 1;  ///< the code raises an error (not a pass-on)
inline constexpr int kErrorFlagIo = 2;      ///< an input/output error: the I/O result is kept
inline constexpr int kErrorFlagFatal = 4;   ///< the program cannot go on

struct DecodedErrorCode {
    int errorClass = 0;
    int unit = 0;
    int procedure = 0;
    int position = 0;
    int flags = 0;  ///< position & 15
};

/// Splits a code into its four two-digit fields.
constexpr DecodedErrorCode DecodeErrorCode(ErrorCode code) {
    const int64_t c = code < 0 ? -static_cast<int64_t>(code) : code;
    DecodedErrorCode d;
    d.errorClass = static_cast<int>(c / 1000000 % 100);
    d.unit = static_cast<int>(c / 10000 % 100);
    d.procedure = static_cast<int>(c / 100 % 100);
    d.position = static_cast<int>(c % 100);
    d.flags = d.position & 15;
    return d;
}

}  // namespace kvx
