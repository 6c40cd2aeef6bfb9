// The scripted probe and code page.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Internet.h"

namespace vedodud::scripted {

// Answers from a script, one per call, then the default; records what it was asked.
class ScriptedInternet : public Internet {
public:
    Long InternetCheckConnectionA(const std::string& lpszUrl, Long dwFlags, Long dwReserved) override;

    struct Call {
        std::string url;
        Long flags, reserved;
    };
    std::deque<bool> answers;
    bool defaultAnswer = true;
    std::function<void()> whileProbing;  // runs inside the (blocking) probe
    std::vector<Call> calls;
};

// UTF-8 or Latin-1: a multi-byte and a single-byte narrow code page.
class ScriptedCodePage : public CodePage {
public:
    enum class Encoding { Utf8, Latin1 };
    Encoding encoding = Encoding::Utf8;

    std::string ToAnsi(std::u16string_view text) override;
    WString FromAnsi(std::string_view text) override;
};

}  // namespace vedodud::scripted
