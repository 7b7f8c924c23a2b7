// What the main window's buttons, drop-down and logo dialog do.

#include "app/mainform.h"

#include "app/bitmapfile.h"
#include "app/names.h"
#include "app/qtsupport.h"
#include "app/reports.h"
#include "live/sessionlogs.h"
#include "messages/msg1.h"
#include "messages/ranking.h"
#include "standings/stats1.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace {

QString JoinLines(const std::vector<std::string>& lines) {
    QStringList texts;
    for (const std::string& line : lines) {
        texts << ToQString(line);
    }
    return texts.join('\n');
}

/// The reader loads a cut bitmap without complaint, its missing rows filled with garbage.
bool BitmapComplete(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return true; // the reader reports it
    }
    const QByteArray head = file.read(BitmapHeadBytes);
    return BitmapPixelsComplete(
        std::string_view(head.constData(), static_cast<std::size_t>(head.size())),
        static_cast<uint64_t>(file.size()));
}

} // namespace

void TFormMain::Button2Click() {
    if (Stats != nullptr) {
        Stats->setVisible(!Stats->isVisible());
    }
}

void TFormMain::Button3Click() {
    if (Msg != nullptr) {
        Msg->setVisible(!Msg->isVisible());
    }
}

void TFormMain::Button7Click() {
    const QString chosen = QFileDialog::getOpenFileName(this, "Logo", LogoFile,
                                                        QString::fromUtf8("BMPファイル (*.bmp)"));
    if (chosen.isEmpty()) {
        return;
    }
    LogoFile = chosen;
    const QString error = LoadLogo(chosen);
    if (!error.isEmpty()) {
        ShowError(error);
    }
}

QString TFormMain::LoadLogo(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    const QByteArray format = suffix.toLower().toLatin1();
    if (format.isEmpty() || !QImageReader::supportedImageFormats().contains(format)) {
        return QString::fromUtf8("拡張子 .%1 の画像形式は処理できません").arg(suffix);
    }
    QImageReader reader(path, format);
    // A picture far larger than any logo must not exhaust memory: the reader refuses images
    // above its allocation limit, and so do we above a sane size.
    const QSize size = reader.size();
    QImage image;
    if (!size.isValid() || size.width() > 8192 || size.height() > 8192 ||
        (format == "bmp" && !BitmapComplete(path)) || !reader.read(&image) || image.isNull()) {
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
    ReloadAliases(ConfigFile, *Players);
}

void TFormMain::ShowReport(const std::vector<std::string>& lines) {
    MemoData->setPlainText(JoinLines(lines));
    MemoData->verticalScrollBar()->setValue(0);
    MemoData->horizontalScrollBar()->setValue(0);
}

void TFormMain::Button4Click() {
    ShowReport(BestlapReport(*Players));
}

void TFormMain::Button5Click() {
    ShowReport(AvglapReport(*Players));
}

void TFormMain::Button6Click() {
    ShowReport(GapReport(*Players));
}

void TFormMain::Button14Click() {
    std::vector<std::string> lines;
    for (const QString& line : MemoIgnoreList->toPlainText().split('\n')) {
        lines.push_back(ToBytes(line));
    }
    ApplyIgnoreList(lines);
    MemoIgnoreList->setPlainText(JoinLines(lines));
}

void TFormMain::PressRanking(void (*compose)(const TPlayers&, TWindowLink&, TRaceEventList&)) {
    PressRankingButton(*this, [this, compose] { compose(*Players, *this, RankingList); });
}

void TFormMain::Button8Click() {
    PressRanking(ComposeBestLaps);
}

void TFormMain::Button12Click() {
    PressRanking(ComposeAverageLaps);
}

void TFormMain::Button9Click() {
    PressRanking(ComposePitStops);
}

void TFormMain::Button10Click() {
    PressRanking(ComposeGapToLeader);
}

void TFormMain::Button11Click() {
    PressRanking(ComposeIntervals);
}

void TFormMain::ComboBox1DropDown() {
    ComboBox1->clear();
    for (int i = 0; i < SessionLogs.Count(); ++i) {
        ComboBox1->addItem(ToQString(SessionLogs.EntryTitle(i)));
    }
}

void TFormMain::ComboBox1Select(int index) {
    MemoData->clear();
    if (index >= 0 && index < SessionLogs.Count()) {
        MemoData->setPlainText(JoinLines(SessionLogs.Items(index)));
    }
}
