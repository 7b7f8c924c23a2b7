#pragma once
// The browser-source server as the console starts it: off unless a port is configured, and a
// build without Qt WebSockets only says that it has none.

#include <functional>
#include <string>

class QObject;
class TFormMsg1;
class TFormStats1;

/// Starts serving the tower's and the ticker's pictures on `address`:`port` when `port` is
/// 1..65535, as a child of `parent`; says in the log where, or why not. Nothing for port 0.
void StartWebService(TFormStats1& tower, TFormMsg1& ticker, const std::string& address, int port,
                     std::function<void(const std::string&)> log, QObject* parent);
