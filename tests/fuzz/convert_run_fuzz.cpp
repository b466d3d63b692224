// SPDX-License-Identifier: GPL-3.0-or-later
// A whole CConverter::Run of an arbitrary input file into a new database,
// read the plain way. Bytes 0..3 choose the job's options, the rest is the
// input file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ConvertRunHarness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    torvan::fuzz::FixToday();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const std::string input(reinterpret_cast<const char*>(data + 4), size - 4);
    torvan::fuzz::RunConversion(data, input, [](torvan::CConverter&) {});
    return 0;
}
