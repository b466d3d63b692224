// SPDX-License-Identifier: GPL-3.0-or-later
// A whole CConverter::Run with CSV reading: quoted fields, empty fields kept
// in their column, thousands separators, K/M volumes, decimal commas and
// footer rows. Bytes 0..3 choose the options as for convert_run; byte 4 sets
// the decimal comma (bit 0) and the footer rows (bits 1-2); the rest is the
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
    if (size < 5) {
        return 0;
    }
    const std::string input(reinterpret_cast<const char*>(data + 5), size - 5);
    const std::uint8_t reading = data[4];
    torvan::fuzz::RunConversion(data, input, [reading](torvan::CConverter& job) {
        job.m_bCsv = 1;
        job.m_bDecimalComma = reading & 1;
        job.m_nFooterRows = (reading >> 1) & 3;
    });
    return 0;
}
