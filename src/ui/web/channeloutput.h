#pragma once
// Where one page's live channel sends its messages. The feed decides what goes and when
// through this alone, so it runs without a socket behind it.

#include <QByteArray>
#include <QtGlobal>

#include <string>

class TChannelOutput {
  public:
    virtual ~TChannelOutput() = default;

    virtual void SendText(const std::string& text) = 0;
    virtual void SendBinary(const QByteArray& bytes) = 0;
    /// Bytes sent and not yet taken by the reader: a page this far behind is sent less.
    virtual qint64 Backlog() const = 0;
};
