// Random and mutated bytes through every parser and the reassembler, with a
// fixed seed so that a failure repeats. The same checks run under libFuzzer
// in fuzz builds.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "protocol/fuzz/exercise_parsers.h"
#include "protocol/test_bytes.h"

namespace zemra::protocol {
namespace {

using namespace test;

class Random {
  public:
    explicit Random(uint32_t seed) : engine_(seed) {}

    uint32_t below(uint32_t bound) {
        return std::uniform_int_distribution<uint32_t>(0, bound - 1)(engine_);
    }
    uint32_t u32() { return engine_(); }
    uint8_t byte() { return static_cast<uint8_t>(engine_()); }

    Bytes bytes(std::size_t size) {
        Bytes out(size);
        for (auto& b : out) b = byte();
        return out;
    }

    // ASCII and GBK pairs, sometimes with a stray lead byte or a NUL.
    std::string text() {
        std::string out;
        const uint32_t length = below(4) == 0 ? below(500) : below(30);
        while (out.size() < length) {
            switch (below(6)) {
                case 0:
                    out += kZhong;
                    break;
                case 1:
                    out += static_cast<char>(0x81 + below(0x7E));
                    break;
                case 2:
                    if (below(10) == 0) out += '\0';
                    break;
                default:
                    out += static_cast<char>('a' + below(26));
            }
        }
        return out;
    }

  private:
    std::mt19937 engine_;
};

// One well-formed packet of a random kind: lists, long and short texts,
// and fixed fields.
Bytes randomPacket(Random& r) {
    switch (r.below(8)) {
        case 0: {
            LoginAccepted answer{r.u32(), r.text(), 1, {}};
            answer.contacts.resize(r.below(40));
            for (auto& c : answer.contacts) c = {r.u32(), r.text(), 1, r.below(2) == 1, 10};
            return buildLoginAccepted(answer);
        }
        case 1: {
            std::vector<SearchResultEntry> entries(r.below(25));
            for (auto& e : entries) e = {r.u32(), r.text(), 3, 1, r.text(), true, false};
            return buildSearchResult(entries);
        }
        case 2:
            return buildMessage({r.byte(), r.u32(), 1, 2, r.text(), 3, r.u32(), r.text(), r.u32()});
        case 3:
            return buildLogin({r.u32(), r.text(), r.text(), true, r.text(), 1});
        case 4:
            return buildCallTextIn({r.u32(), r.text(), r.text()});
        case 5:
            return buildDetails({r.u32(), r.text(), 1, r.text(), 1, r.text(), r.text(), r.text(), 2,
                                 r.text(), r.text(), r.text()});
        case 6:
            return buildFileOffer({r.text(), r.text(), r.u32(), r.u32(), r.text()});
        default:
            return buildUserIdPacket(PT_CONTACT_ONLINE, r.u32());
    }
}

// Flips, cuts, extends, or plants a large count where the lists keep theirs.
Bytes mutate(Bytes p, Random& r) {
    const uint32_t edits = 1 + r.below(6);
    for (uint32_t i = 0; i < edits; ++i) {
        switch (r.below(5)) {
            case 0:
                if (!p.empty()) p[r.below(static_cast<uint32_t>(p.size()))] = r.byte();
                break;
            case 1:
                p.resize(r.below(static_cast<uint32_t>(p.size()) + 1));
                break;
            case 2: {
                const Bytes tail = r.bytes(r.below(200));
                p.insert(p.end(), tail.begin(), tail.end());
                break;
            }
            case 3:
                if (p.size() >= 50) put16(p, r.below(2) == 0 ? 22 : 48, 0xFFFF);
                break;
            default:
                if (p.size() >= 16) put32(p, 12, r.u32());
        }
    }
    return p;
}

TEST(PacketRobustnessTest, ParsersSurviveRandomAndMutatedBytes) {
    Random r(0x5EED1234);
    for (int i = 0; i < 3000; ++i) {
        Bytes input;
        switch (i % 3) {
            case 0:
                input = r.bytes(r.below(10) == 0 ? r.below(12000) : r.below(600));
                break;
            case 1:
                input = mutate(randomPacket(r), r);
                break;
            default:
                input = randomPacket(r);
        }
        ASSERT_TRUE(fuzz::exerciseParsers(input)) << "input " << i;
    }
}

TEST(PacketRobustnessTest, ReassemblerSurvivesRandomStreams) {
    Random r(0xC0FFEE);
    for (int i = 0; i < 200; ++i) {
        Bytes stream;
        while (stream.size() < 30000) {
            const Bytes part =
                r.below(2) == 0 ? mutate(randomPacket(r), r) : r.bytes(r.below(3000));
            stream.insert(stream.end(), part.begin(), part.end());
        }
        ASSERT_TRUE(fuzz::exerciseReassembler(stream)) << "stream " << i;
    }
}

TEST(PacketRobustnessTest, ReassemblerRebuildsAnyCutOfAValidStream) {
    Random r(0xBADC0DE);
    for (int round = 0; round < 30; ++round) {
        std::vector<Bytes> sent;
        Bytes stream;
        for (int n = 0; n < 40; ++n) {
            Bytes p;
            if (r.below(8) == 0) {
                // Large bodies, up to the largest accepted.
                p = handMade(PT_SEARCH_RESULT, kHeaderSize + r.below(kMaxBodyLength + 1));
                for (std::size_t at = kHeaderSize; at < p.size(); ++at) p[at] = r.byte();
            } else {
                p = randomPacket(r);
            }
            sent.push_back(p);
            stream.insert(stream.end(), p.begin(), p.end());
        }

        std::vector<Bytes> received;
        PacketReassembler reassembler([&](uint16_t, std::span<const uint8_t> packet) {
            received.emplace_back(packet.begin(), packet.end());
        });
        std::size_t at = 0;
        while (at < stream.size()) {
            const std::size_t chunk =
                std::min<std::size_t>(1 + r.below(PacketReassembler::kMaxRead), stream.size() - at);
            ASSERT_TRUE(reassembler.onRead(std::span<const uint8_t>(stream).subspan(at, chunk)));
            at += chunk;
        }
        EXPECT_EQ(reassembler.held(), 0u);
        ASSERT_EQ(received.size(), sent.size()) << "round " << round;
        EXPECT_TRUE(received == sent) << "round " << round;
    }
}

}  // namespace
}  // namespace zemra::protocol
