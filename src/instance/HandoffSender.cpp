// SPDX-License-Identifier: GPL-3.0-or-later
#include "instance/HandoffSender.h"

#include "instance/CommaText.h"
#include "instance/HandoffFrame.h"
#include "instance/HandoffSocket.h"
#include "instance/InstanceLock.h"
#include "instance/Log.h"
#include "platform/FullPath.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace kelvara {

namespace {

using TClock = std::chrono::steady_clock;

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

} // namespace

std::string LaunchActivationToken() {
    for (const char* name : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
        const std::string token = EnvironmentValue(name);
        if (!token.empty())
            return IsCarriableActivationToken(token) ? token : std::string();
    }
    return {};
}

std::vector<std::string> HandoffPaths(const std::vector<std::string>& arguments) {
    std::vector<std::string> paths;
    paths.reserve(arguments.size());
    for (const std::string& argument : arguments) {
        std::string full = FullPathName(argument);
        paths.push_back(full.empty() ? argument : std::move(full));
    }
    return paths;
}

std::vector<std::string> HandoffTexts(const std::vector<std::string>& arguments) {
    std::vector<std::string> texts;
    TCommaItems part;
    std::size_t partSize = 0;
    for (const std::string& argument : arguments) {
        // An item's share of the text is at most its text on its own (an
        // empty item alone is written as "", among others as nothing), plus
        // one comma.
        const std::size_t size = WriteCommaText({argument}).size();
        if (size >= MaxHandoffData)
            throw std::length_error("handoff: an argument too long for any message");
        if (!part.empty() && partSize + 1 + size >= MaxHandoffData) {
            texts.push_back(WriteCommaText(part));
            part.clear();
            partSize = 0;
        }
        partSize += (part.empty() ? 0 : 1) + size;
        part.push_back(argument);
    }
    if (!part.empty() || texts.empty())
        texts.push_back(WriteCommaText(part));
    return texts;
}

bool SendHandoffText(const TInstanceLock& lock, const std::string& text,
                     const std::string& activationToken, TClock::time_point deadline) {
    if (lock.Folder().empty())
        return false;
    // The token is a courtesy to the window manager; paths go without it
    // rather than not at all.
    const std::string frame = EncodeHandoffFrame(
        text, IsCarriableActivationToken(activationToken) ? activationToken : std::string());
    try {
        const THandoffSocketPath socket(lock.Folder(), lock.Name());
        const std::string reply = SendHandoffFrame(socket.Path(), frame, HandoffAckSize,
                                                   std::max(deadline, TClock::now() + AckPatience));
        return IsHandoffAck(reply);
    } catch (const std::system_error& error) {
        LogDebug(lcInstance) << "handoff: not sent:" << error.what();
        return false;
    }
}

bool SendArgumentsToRunningInstance(const TInstanceLock& lock,
                                    const std::vector<std::string>& arguments,
                                    const std::string& activationToken,
                                    TClock::time_point deadline) {
    for (const std::string& text : HandoffTexts(arguments)) {
        if (!SendHandoffText(lock, text, activationToken, deadline))
            return false;
    }
    return true;
}

THandoffOutcome HandOffOrBecomeFirst(TInstanceLock& lock, const std::vector<std::string>& arguments,
                                     const std::string& activationToken,
                                     std::chrono::milliseconds patience) {
    if (arguments.empty())
        patience = std::min(patience, ActivationPatience);
    const auto deadline = TClock::now() + patience;
    const std::vector<std::string> texts = HandoffTexts(arguments);
    std::size_t sent = 0;
    // Tests wait for these lines: "handed over", "lock came free: running as
    // the first copy", "gave up handing over", and "running copy not
    // reached, trying again" after each failed try.
    for (;;) {
        while (sent < texts.size() && SendHandoffText(lock, texts[sent], activationToken, deadline))
            ++sent;
        if (sent == texts.size()) {
            LogDebug(lcInstance) << "handed over";
            return THandoffOutcome::Delivered;
        }
        if (lock.TryToBecomeFirst()) {
            LogDebug(lcInstance) << "lock came free: running as the first copy";
            return THandoffOutcome::BecameFirst;
        }
        if (TClock::now() >= deadline) {
            LogDebug(lcInstance) << "gave up handing over";
            return THandoffOutcome::GaveUp;
        }
        LogDebug(lcInstance) << "running copy not reached, trying again";
        std::this_thread::sleep_for(HandoffRetryInterval);
    }
}

} // namespace kelvara
