#pragma once
// The browser-source server as the console starts it: off unless a port is configured. The
// server is a module of its own (with Qt's network libraries behind it), loaded only then, so
// a program that serves no pages does not carry it.

#include "core/app/consoleapi.h"
#include "core/web/websettings.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

class QObject;
class TFormMsg1;
class TFormStats1;

/// Where the program looks for the module: beside itself (a build), then in its installed
/// library folder.
QStringList WebModuleFolders();

/// Starts serving the tower's and the ticker's pictures, and the API on `control` (when given),
/// as `settings` say when their port is 1..65535, as a child of `parent`, with the module found
/// in the first of `folders` that has it; says in the log where, or why not. Nothing for port
/// 0. The server when it serves (deleting it stops it), else null.
QObject* StartWebService(TFormStats1& tower, TFormMsg1& ticker, TWebControl* control,
                         const TWebSettings& settings, std::function<void(const std::string&)> log,
                         QObject* parent, const QStringList& folders = WebModuleFolders());
