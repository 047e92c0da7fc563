#include "link/CommandResult.h"

QString CommandResult::describe() const
{
    const QString request = QLatin1String(direction == Direction::SET ? "SET " : "GET ") +
                            QString::fromLatin1(commandName(command));
    switch (outcome) {
    case Outcome::Answered:
        return QStringLiteral("%1 answered").arg(request);
    case Outcome::CrcError:
        return QStringLiteral("a CRC error in the answer to %1").arg(request);
    case Outcome::NoReply:
        return QStringLiteral("no answer to %1").arg(request);
    case Outcome::NotSent:
        break;
    }
    return QStringLiteral("%1 not sent: the port is closed").arg(request);
}
