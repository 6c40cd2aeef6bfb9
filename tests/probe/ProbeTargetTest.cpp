// Which host and port a URL sends the probe to.
#include <gtest/gtest.h>

#include <ostream>

#include "platform/tcpprobe/ProbeTarget.h"

namespace vedodud {
namespace {

struct TargetCase {
    const char* url;
    std::optional<ProbeTarget> expected;
    // Test names stay printable ASCII.
    friend void PrintTo(const TargetCase& target, std::ostream* out) {
        for (const char* c = target.url; *c != '\0'; ++c) {
            const auto byte = static_cast<unsigned char>(*c);
            if (byte >= 0x20 && byte < 0x7f) {
                *out << *c;
            } else {
                *out << "\\x" << std::hex << static_cast<int>(byte) << std::dec;
            }
        }
    }
};

class ProbeTargetTest : public testing::TestWithParam<TargetCase> {};

TEST_P(ProbeTargetTest, NamesHostAndPort) {
    EXPECT_EQ(ParseProbeTarget(GetParam().url), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, ProbeTargetTest,
    testing::Values(TargetCase{"http://example.com/", ProbeTarget{"example.com", 80}},
                    TargetCase{"https://example.com", ProbeTarget{"example.com", 443}},
                    TargetCase{"ftp://example.com/pub/", ProbeTarget{"example.com", 21}},
                    TargetCase{"HTTPS://Example.com/", ProbeTarget{"example.com", 443}},
                    TargetCase{"http://example.com:8080/a?b#c", ProbeTarget{"example.com", 8080}},
                    TargetCase{"https://example.com:/", ProbeTarget{"example.com", 443}},
                    TargetCase{"http://user:pw@example.com:81/", ProbeTarget{"example.com", 81}},
                    TargetCase{"http://[::1]:8080/", ProbeTarget{"::1", 8080}},
                    TargetCase{"http://[fe80::1%25eth0]/", ProbeTarget{"fe80::1%eth0", 80}},
                    TargetCase{"http://b\xc3\xbc"
                               "cher.example/",
                               ProbeTarget{"xn--bcher-kva.example", 80}},
                    TargetCase{"telnet://example.com:23", ProbeTarget{"example.com", 23}},
                    TargetCase{"http://example.com:65535/", ProbeTarget{"example.com", 65535}},
                    // A host that is not UTF-8 cannot be put into punycode.
                    TargetCase{"http://\xff\xfe.example/", std::nullopt},
                    TargetCase{"gopher://example.com/", std::nullopt},
                    TargetCase{"http://[::1/", std::nullopt},
                    // A zone is an interface name, not arbitrary bytes.
                    TargetCase{"http://[fe80::1%25eth0\xfd]/", std::nullopt},
                    TargetCase{"http://[fe80::1%25a%2fb]/", std::nullopt},
                    TargetCase{"http://example.com:80x/", std::nullopt},
                    // One to three slashes after the scheme, as browsers read them.
                    TargetCase{"http:/example.com/", ProbeTarget{"example.com", 80}},
                    TargetCase{"http:///example.com/", ProbeTarget{"example.com", 80}},
                    TargetCase{"http:////example.com/", std::nullopt},
                    TargetCase{"http://ex%61mple.com/", ProbeTarget{"example.com", 80}},
                    TargetCase{"http://b%C3%BCcher.example/", ProbeTarget{"xn--bcher-kva.example", 80}},
                    TargetCase{"http://stra\xc3\x9f"
                               "e.de/",
                               ProbeTarget{"xn--strae-oqa.de", 80}},
                    // Text that some parsers read as an address, or that names no host.
                    TargetCase{"http://+1/", std::nullopt}, TargetCase{"http://a%25b/", std::nullopt},
                    TargetCase{"http://a..b/", std::nullopt}, TargetCase{"http://[v1.x]/", std::nullopt},
                    // International names follow the IDNA rules: hyphens, joiners, right-to-left
                    // text, labels typed in punycode, and the STD3 letters-digits-hyphens rule.
                    TargetCase{"http://\xc3\xbc-.example/", std::nullopt},
                    TargetCase{"http://xn--\xc3\xbc.example/", std::nullopt},
                    TargetCase{"http://a\xe2\x80\x8c"
                               "b.example/",
                               std::nullopt},
                    TargetCase{"http://a\xd7\x90.example/", std::nullopt},
                    TargetCase{"http://\xc3\xbc.xn--ab.example/", std::nullopt},
                    TargetCase{"http://b\xc3\xbc_cher.example/", std::nullopt},
                    TargetCase{"http://\xd7\x90.example/", ProbeTarget{"xn--4db.example", 80}}));

}  // namespace
}  // namespace vedodud

namespace vedodud {
namespace {

// Wide spaces map to an ASCII space under the transitional IDN rules; a host with a space is no
// name and must not reach the resolver.
TEST(ProbeTargetHostTest, IdnMappingNeverYieldsSpaces) {
    for (const char* url : {"http://a\xe3\x80\x80"  // U+3000 ideographic space
                            "b.example/",
                            "http://a\xc2\xa0"  // U+00A0 no-break space
                            "b.example/",
                            "http://127\xe3\x80\x80.example/"}) {
        const auto target = ParseProbeTarget(url);
        if (target) {
            EXPECT_EQ(target->host.find(' '), std::string::npos) << target->host;
        }
    }
}

}  // namespace
}  // namespace vedodud
