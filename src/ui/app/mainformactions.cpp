// What the main window's buttons, drop-down and logo dialog do.

#include "ui/app/mainform.h"

#include "core/app/bitmapfile.h"
#include "core/app/config.h"
#include "core/live/names.h"
#include "core/live/reports.h"
#include "core/live/sessionlogs.h"
#include "core/messages/stripkinds.h"
#include "core/platform/readfile.h"
#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"
#include "ui/support/qtsupport.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QImageReader>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalBlocker>

namespace {

QString JoinLines(const std::vector<std::string>& lines) {
    QStringList texts;
    for (const std::string& line : lines) {
        texts << ToQString(line);
    }
    return texts.join('\n');
}

/// The largest logo file read, a 4096 x 4096 bitmap of 32 bits with room for its headers: a
/// logo is drawn in a corner of a tower a few hundred pixels wide, and the whole file is read
/// on the window thread.
constexpr std::size_t MaxLogoBytes = 4096u * 4096u * 4u + 65536u;

/// The extension of a path's file name, without its dot.
std::string ExtensionOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    return path.substr(dot + 1);
}

/// The picture in `bytes`, or a null image. The reader loads a cut bitmap without complaint,
/// its missing rows filled with garbage, so a bitmap's size is checked against its headers.
QImage DecodeLogo(const std::string& bytes, const QByteArray& format) {
    if (format == "bmp" && !BitmapPixelsComplete(bytes, bytes.size())) {
        return {};
    }
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    // A picture far larger than any logo must not exhaust memory.
    const QSize size = reader.size();
    QImage image;
    if (!size.isValid() || size.width() > 8192 || size.height() > 8192 || !reader.read(&image)) {
        return {};
    }
    return image;
}

} // namespace

void TFormMain::Button2Click() {
    ConsoleModel->Run(TShowWindow{TBroadcastWindow::Tower, TWindowOperation::Toggle});
}

void TFormMain::Button3Click() {
    ConsoleModel->Run(TShowWindow{TBroadcastWindow::Ticker, TWindowOperation::Toggle});
}

void TFormMain::Button7Click() {
    const QString chosen = AskOperator([this] {
        return QFileDialog::getOpenFileName(this, "Logo", QString::fromUtf8(LogoFile),
                                            QString::fromUtf8("BMPファイル (*.bmp)"));
    });
    if (chosen.isEmpty()) {
        return;
    }
    LogoFile = chosen.toUtf8().toStdString(); // paths are UTF-8 inside, on every system
    const QString error = LoadLogo(LogoFile);
    if (!error.isEmpty()) {
        ShowError(error);
    }
}

QString TFormMain::LoadLogo(const std::string& path) {
    const std::string extension = ExtensionOf(path);
    const QByteArray format = QByteArray::fromStdString(extension).toLower();
    if (format.isEmpty() || !QImageReader::supportedImageFormats().contains(format)) {
        return QString::fromUtf8("拡張子 .%1 の画像形式は処理できません").arg(ToQString(extension));
    }
    // Read by its bytes, whatever encoding the name has; a fifo or device is refused here
    // rather than blocking the picture reader's open for ever.
    std::string bytes;
    try {
        bytes = ReadWholeFile(path, MaxLogoBytes);
    } catch (const std::exception&) {
        return QString::fromUtf8("ビットマップイメージが不正です");
    }
    const QImage image = DecodeLogo(bytes, format);
    if (image.isNull()) {
        return QString::fromUtf8("ビットマップイメージが不正です");
    }
    LogoImage = image;
    if (Stats != nullptr) {
        Stats->SetLogo(LogoImage);
        Stats->update();
    }
    return {};
}

void TFormMain::Button13Click() {
    ConsoleModel->Run(TReloadAlias{});
}

QString TFormMain::AskOperator(const std::function<QString()>& dialog) {
    DialogOpen = true;
    SetBroadcastOnTop(false);
    const QString answer = dialog();
    DialogOpen = false;
    return answer;
}

void TFormMain::ButtonFolderClick() {
    const QString chosen = AskOperator([this] {
        return QFileDialog::getExistingDirectory(this, "Live folder",
                                                 QString::fromUtf8(KestruneConfig.Folder));
    });
    if (!chosen.isEmpty()) {
        // Written as the system writes paths, so the file reads as one typed by hand would.
        FollowFolder(QDir::toNativeSeparators(chosen).toUtf8().toStdString()); // UTF-8 inside
    }
}

void TFormMain::ShowReport(const std::vector<std::string>& lines) {
    MemoData->setPlainText(JoinLines(lines));
    MemoData->verticalScrollBar()->setValue(0);
    MemoData->horizontalScrollBar()->setValue(0);
}

void TFormMain::Button4Click() {
    ShowReport(BestlapReport(*Live.Players));
}

void TFormMain::Button5Click() {
    ShowReport(AvglapReport(*Live.Players));
}

void TFormMain::Button6Click() {
    ShowReport(GapReport(*Live.Players));
}

void TFormMain::Button14Click() {
    ConsoleModel->Run(TSetIgnoreList{ToBytes(MemoIgnoreList->toPlainText())});
    // Apply shows the list as taken, blank lines gone, even when it did not change.
    IgnoreListShown = ConsoleModel->IgnoreList();
    MemoIgnoreList->setPlainText(ToQString(IgnoreListShown));
}

void TFormMain::Button8Click() {
    ConsoleModel->Run(TPressStrip{StripNamed("best")});
}

void TFormMain::Button12Click() {
    ConsoleModel->Run(TPressStrip{StripNamed("avg")});
}

void TFormMain::Button9Click() {
    ConsoleModel->Run(TPressStrip{StripNamed("pits")});
}

void TFormMain::Button10Click() {
    ConsoleModel->Run(TPressStrip{StripNamed("gapl")});
}

void TFormMain::Button11Click() {
    ConsoleModel->Run(TPressStrip{StripNamed("gapi")});
}

void TFormMain::CheckClassViewClick(bool on) {
    ConsoleModel->Run(TSetClassView{on});
}

void TFormMain::ClassViewChanged(bool on) {
    KestruneConfig.ClassView = on;
    if (Stats != nullptr) {
        Stats->RedrawRequest();
    }
    try {
        SaveConfigValues(ConfigFile, {{"ClassView", on ? "1" : "0"}});
    } catch (const std::exception& e) {
        ShowError(ToQString(e.what()));
    }
}

void TFormMain::TickerTextChanged(const std::string& text) {
    if (Msg == nullptr) {
        return;
    }
    Msg->SetNotice(ToQString(text));
    if (Msg->isVisible()) {
        Msg->RefreshStatus();
    }
}

QWidget* TFormMain::WindowOf(TBroadcastWindow window) const {
    return window == TBroadcastWindow::Tower ? static_cast<QWidget*>(Stats)
                                             : static_cast<QWidget*>(Msg);
}

bool TFormMain::Shown(TBroadcastWindow window) const {
    const QWidget* shown = WindowOf(window);
    return shown != nullptr && shown->isVisible();
}

void TFormMain::SetShown(TBroadcastWindow window, bool shown) {
    if (QWidget* target = WindowOf(window)) {
        target->setVisible(shown);
    }
}

void TFormMain::ShowModelState() {
    const TProducerState& state = ConsoleModel->State();
    if (state.TickerText != TickerTextShown && ToBytes(Edit1->text()) != state.TickerText) {
        Edit1->setText(ToQString(state.TickerText));
    }
    TickerTextShown = state.TickerText;
    if (state.ClassView != CheckClassView->isChecked()) {
        const QSignalBlocker quiet(CheckClassView);
        CheckClassView->setChecked(state.ClassView);
    }
    if (ConsoleModel->IgnoreList() != IgnoreListShown) {
        IgnoreListShown = ConsoleModel->IgnoreList();
        MemoIgnoreList->setPlainText(ToQString(IgnoreListShown));
    }
}

void TFormMain::ComboBox1DropDown() {
    ComboBox1->clear();
    for (int i = 0; i < Live.SessionLogs.Count(); ++i) {
        ComboBox1->addItem(ToQString(Live.SessionLogs.EntryTitle(i)));
    }
}

void TFormMain::ComboBox1Select(int index) {
    MemoData->clear();
    if (index >= 0 && index < Live.SessionLogs.Count()) {
        MemoData->setPlainText(JoinLines(Live.SessionLogs.Items(index)));
    }
}
