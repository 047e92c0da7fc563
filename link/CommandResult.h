#pragma once

// What one request got back: the line taken as its answer, a CRC error, or nothing. Operations
// decide their success from these, never from what the state happens to hold afterwards.

#include <QString>

#include <string>

#include "link/Protocol.h"

struct CommandResult
{
    enum class Outcome : uint8_t {
        Answered, // a line with a good CRC that fits the request arrived within its pause and grace
        CrcError, // only lines with a bad CRC arrived
        NoReply,  // nothing that fits arrived in time
        NotSent,  // no open port (or the link is held by another user)
    };
    Outcome outcome = Outcome::NotSent;
    Direction direction = Direction::GET;
    Command command = Command::RESERVED;
    std::string reply; // the answer line (body, CRC, LF) when Answered
    int skipped = 0;   // good-CRC lines that completed meanwhile but were not this request's answer

    bool ok() const { return outcome == Outcome::Answered; }
    // "no answer to SET ND_SEL", "a CRC error in the answer to GET ND_ED0A", ...
    QString describe() const;
};

// Collects the results of one operation: it counts only when every request was answered.
class Confirmation
{
  public:
    // Returns r.ok(), so a caller can also stop at the first failure.
    bool add(const CommandResult &r)
    {
        if (!r.ok() && m_ok) {
            m_ok = false;
            m_firstFailure = r.describe();
        }
        return r.ok();
    }
    void fail(const QString &why)
    {
        if (m_ok) {
            m_ok = false;
            m_firstFailure = why;
        }
    }
    bool ok() const { return m_ok; }
    // Empty while ok().
    const QString &firstFailure() const { return m_firstFailure; }

  private:
    bool m_ok = true;
    QString m_firstFailure;
};

// The failure texts shown in red by the pages and printed by kelmctl.
inline constexpr const char *kUploadFailedText = "Upload Edid Failed.";
inline constexpr const char *kCopyFailedText = "Copy Edid Failed.";
inline constexpr const char *kSetFailedText = "Set Failed.";
inline constexpr const char *kResetFailedText = "Reset Failed.";
