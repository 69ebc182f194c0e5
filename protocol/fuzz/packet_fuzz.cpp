// libFuzzer entry point: every parser and the reassembler on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/fuzz/exercise_parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    if (!zemra::protocol::fuzz::exerciseParsers(bytes)) __builtin_trap();
    if (!zemra::protocol::fuzz::exerciseReassembler(bytes)) __builtin_trap();
    return 0;
}
