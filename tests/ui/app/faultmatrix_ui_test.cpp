// Bad logo files and configuration files that cannot be written, met through the main window:
// each gives its error text, and what was good before (the logo, the old file) stays.

#include "core/app/bitmapfile.h"
#include "core/app/broadcast.h"
#include "core/app/config.h"
#include "core/app/reload.h"
#include "core/live/livefile.h"
#include "core/live/players.h"
#include "core/messages/raceevent.h"
#include "ui/app/mainform.h"
#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "tests/support/consoledesk.h"
#include "tests/support/testfiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/mount.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const QString InvalidBitmap = QString::fromUtf8("ビットマップイメージが不正です");

void Spit(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

/// The file a paint program writes for `image` in `format`.
std::string Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

/// A small picture of one colour.
QImage Filled(QColor colour, int side = 8) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

void PutLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

/// A valid header of a bitmap of `width` x `height` followed by only `dataBytes` of pixels:
/// what the header promises is never there to be allocated for.
std::string BitmapHeader(uint32_t width, uint32_t height, std::size_t dataBytes, uint32_t bits = 24,
                         uint32_t compression = 0, uint32_t imageSize = 0) {
    const uint64_t rowBytes = (uint64_t{width} * bits + 31) / 32 * 4;
    std::string out = "BM";
    PutLittleEndian(out, static_cast<uint32_t>(54 + rowBytes * height), 4); // as claimed
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, 54, 4); // pixels offset
    PutLittleEndian(out, 40, 4); // info header size
    PutLittleEndian(out, width, 4);
    PutLittleEndian(out, height, 4);
    PutLittleEndian(out, 1, 2); // planes
    PutLittleEndian(out, bits, 2);
    PutLittleEndian(out, compression, 4);
    PutLittleEndian(out, imageSize, 4);
    for (int i = 0; i < 4; ++i) {
        PutLittleEndian(out, 0, 4); // resolution and palette left to the reader
    }
    return out + std::string(dataBytes, '\x40');
}

/// Answers every modal message box that opens (the one shown on close blocks until answered)
/// and keeps its text.
class TModalAnswerer {
  public:
    TModalAnswerer() {
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                Texts << box->text();
                box->done(QMessageBox::Ok);
            }
        });
        Timer.start(10);
    }
    QStringList Texts;

  private:
    QTimer Timer;
};

/// A tiny file system of its own, so that filling it up harms nothing else.
class TSmallDisk {
  public:
    explicit TSmallDisk(const fs::path& at) : Path(at) {
        fs::create_directories(Path);
        Mounted = ::mount("tmpfs", Path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC,
                          "size=64k") == 0;
        Error = Mounted ? 0 : errno;
    }
    ~TSmallDisk() {
        if (Mounted) {
            ::umount2(Path.c_str(), MNT_DETACH);
        }
    }
    /// Writes a filler file until no byte more fits.
    void Fill() const {
        std::FILE* filler = std::fopen((Path / "filler").c_str(), "wb");
        ASSERT_NE(filler, nullptr);
        std::setvbuf(filler, nullptr, _IONBF, 0);
        const std::string block(4096, 'f');
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
        }
        while (std::fputc('f', filler) != EOF) {
        }
        std::fclose(filler);
    }
    fs::path Path;
    bool Mounted = false;
    int Error = 0;
};

class FaultMatrixUi : public ::testing::Test {
  protected:
    void TearDown() override {
        Desk.reset();
        Disk.reset();
    }

    /// Creates the three windows as the program does, with the configuration file at `ini`.
    void Start(const std::string& ini) {
        Desk = std::make_unique<TConsoleDesk>(ini, Live);
        Main = Desk->Main.get();
        Stats = Desk->Stats.get();
        Msg = Desk->Msg.get();
    }
    QString LogText() const { return Desk->LogText(); }
    int LogLinesWith(const QString& text) const { return LogText().split('\n').count(text); }
    /// One dialog and one log line: "<ini> に書き込めません: " and the system's reason.
    void ExpectOneWriteError(const TModalAnswerer& answerer, const std::string& ini,
                             const char* reason) const {
        ASSERT_EQ(answerer.Texts.size(), 1) << ini;
        const QString& error = answerer.Texts[0];
        EXPECT_TRUE(error.startsWith(QString::fromStdString(ini) +
                                     QString::fromUtf8(" に書き込めません: ")))
            << error.toStdString();
        EXPECT_TRUE(error.contains(reason)) << error.toStdString();
        EXPECT_EQ(LogLinesWith(error), 1) << LogText().toStdString();
    }

    /// The colour at the middle of the logo as the standings window draws it: at the bottom
    /// left of its picture (left 3, bottom edge 3 pixels up, one more pixel of margin).
    QColor DrawnLogoMiddle(int logoSide) const {
        QImage surface(159, 476, QImage::Format_RGB32);
        Stats->DrawRows(surface);
        const int top = surface.height() - 3 - 1 - logoSide;
        return surface.pixelColor(3 + logoSide / 2, top + logoSide / 2);
    }

    // First, so that it goes after the disk mounted in it and the windows using it.
    const TTempFolder Temp{"kestrune-uifaults"};
    const fs::path& Folder = Temp.Path();
    std::unique_ptr<TSmallDisk> Disk;
    TBroadcast Live;
    std::unique_ptr<TConsoleDesk> Desk;
    TFormMain* Main = nullptr;
    TFormStats1* Stats = nullptr;
    TFormMsg1* Msg = nullptr;
};

TEST_F(FaultMatrixUi, BadLogoFilesLeaveThePreviousLogo) {
    Start((Folder / "kestrune.ini").string());
    const fs::path good = Folder / "good.bmp";
    Spit(good, Encoded(Filled(Qt::red), "BMP"));
    ASSERT_EQ(Main->LoadLogo(good.string()), QString());
    ASSERT_EQ(Main->Logo().pixelColor(4, 4), QColor(Qt::red));
    ASSERT_EQ(DrawnLogoMiddle(8), QColor(Qt::red));
    const qint64 goodKey = Main->Logo().cacheKey();

    const std::string valid = Encoded(Filled(Qt::blue), "BMP");
    QImage palette(16, 16, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(0, 0, 255)});
    palette.fill(0);
    const std::string indexed = Encoded(palette, "BMP");
    const std::string png = Encoded(Filled(Qt::green), "PNG");
    const QString unknownType = QString::fromUtf8("拡張子 .xyz の画像形式は処理できません");
    const struct {
        const char* name;
        std::string bytes;
        QString error;
    } cases[] = {
        {"notes.bmp", "This is a text file, not a picture.\r\n", InvalidBitmap},
        {"empty.bmp", "", InvalidBitmap},
        {"cut.bmp", valid.substr(0, 54 + 40), InvalidBitmap},
        {"short.bmp", valid.substr(0, valid.size() - 1), InvalidBitmap},
        {"cut8.bmp", indexed.substr(0, indexed.size() - 16), InvalidBitmap},
        {"header.bmp", valid.substr(0, 30), InvalidBitmap},
        {"picture.bmp", png, InvalidBitmap},
        {"huge.bmp", BitmapHeader(20000, 20000, 4096), InvalidBitmap},
        {"logo.xyz", valid, unknownType},
    };
    for (const auto& bad : cases) {
        const fs::path path = Folder / bad.name;
        Spit(path, bad.bytes);
        EXPECT_EQ(Main->LoadLogo(path.string()), bad.error) << bad.name;
        EXPECT_EQ(Main->Logo().cacheKey(), goodKey) << bad.name;
        EXPECT_EQ(DrawnLogoMiddle(8), QColor(Qt::red)) << bad.name;
    }

    // Whole bitmaps still load, also with bytes after the pixels, and replace the logo.
    const fs::path padded = Folder / "padded.bmp";
    Spit(padded, valid + "trailing");
    EXPECT_EQ(Main->LoadLogo(padded.string()), QString());
    EXPECT_EQ(DrawnLogoMiddle(8), QColor(Qt::blue));
    const fs::path indexedFile = Folder / "palette.bmp";
    Spit(indexedFile, indexed);
    EXPECT_EQ(Main->LoadLogo(indexedFile.string()), QString());
    EXPECT_EQ(Main->Logo().size(), QSize(16, 16));
}

TEST_F(FaultMatrixUi, ABadLogoAtStartUpIsShownAndItsPathKept) {
    const fs::path logo = Folder / "notes.bmp";
    Spit(logo, "not a bitmap");
    const fs::path ini = Folder / "kestrune.ini";
    Spit(ini, "[Config]\nLogo=" + logo.string() + "\n");
    Start(ini.string());
    EXPECT_EQ(LogLinesWith(InvalidBitmap), 1) << LogText().toStdString();
    EXPECT_EQ(Main->LogoPath(), logo.string());
    EXPECT_TRUE(Main->Logo().isNull());
    bool boxShown = false;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(window);
        boxShown |= box != nullptr && box->isVisible() && box->text() == InvalidBitmap;
    }
    EXPECT_TRUE(boxShown) << "the operator sees the error, not only the log";

    Main->SaveBounds();
    EXPECT_NE(Slurp(ini).find("Logo=" + logo.string() + "\n"), std::string::npos) << Slurp(ini);
}

TEST_F(FaultMatrixUi, ALogoNamedInAnotherEncodingIsLoadedAndWrittenBackAsItsBytes) {
    const std::string logo = (Folder / "logo\xE9quipe.bmp").string(); // Latin-1, not UTF-8
    Spit(logo, Encoded(Filled(Qt::red), "BMP"));
    const fs::path ini = Folder / "kestrune.ini";
    Spit(ini, "[Config]\nLogo=" + logo + "\n");
    Start(ini.string());
    EXPECT_EQ(Main->Logo().pixelColor(4, 4), QColor(Qt::red));
    Main->SaveBounds();
    EXPECT_NE(Slurp(ini).find("Logo=" + logo + "\n"), std::string::npos) << Slurp(ini);
}

TEST_F(FaultMatrixUi, ALogoThatIsAFifoIsRefusedInsteadOfHangingStartUp) {
    const fs::path fifo = Folder / "logo.bmp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path ini = Folder / "kestrune.ini";
    Spit(ini, "[Config]\nLogo=" + fifo.string() + "\n");
    Start(ini.string());
    EXPECT_EQ(LogLinesWith(InvalidBitmap), 1) << LogText().toStdString();
    EXPECT_TRUE(Main->Logo().isNull());
}

TEST_F(FaultMatrixUi, AConfigurationBelowAPlainFileIsNotWritten) {
    const fs::path plain = Folder / "plain";
    const std::string precious = "[Config]\r\nWindowX=5\r\n\x01\xff";
    Spit(plain, precious);
    const std::string ini = (plain / "kestrune.ini").string();
    Start(ini);
    TModalAnswerer answerer;
    Main->SaveBounds();
    ExpectOneWriteError(answerer, ini, std::strerror(ENOTDIR));
    EXPECT_EQ(Slurp(plain), precious);
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder), fs::directory_iterator()), 1);
}

TEST_F(FaultMatrixUi, AConfigurationInAMissingFolderIsNotCreated) {
    for (const fs::path& missing : {Folder / "missing", Folder / "missing" / "deeper"}) {
        const std::string ini = (missing / "kestrune.ini").string();
        Start(ini);
        TModalAnswerer answerer;
        Main->SaveBounds();
        ExpectOneWriteError(answerer, ini, std::strerror(ENOENT));
        EXPECT_FALSE(fs::exists(Folder / "missing")) << "no folder is made for it";
        Desk.reset();
    }
}

TEST_F(FaultMatrixUi, AStopRequestWhileTheCloseErrorIsShownEndsTheClose) {
    Start((Folder / "missing" / "kestrune.ini").string());
    Main->show();
    // Once the close's error dialog is up, a stop request (SIGTERM) comes; should the dialog
    // outlive it, it is answered after three seconds so the test fails instead of hanging.
    int dialogTicks = 0;
    bool stopSent = false;
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        if (!stopSent) {
            stopSent = true;
            Main->CloseFromSignal();
        } else if (++dialogTicks > 300) {
            box->done(QMessageBox::Ok);
        }
    });
    stopper.start(10);
    Main->close(); // returns once the error dialog is gone
    EXPECT_TRUE(stopSent) << "no error dialog on close";
    EXPECT_LE(dialogTicks, 1) << "the dialog stayed up after the stop request";
    EXPECT_FALSE(Main->isVisible());
}

TEST_F(FaultMatrixUi, AFullDiskKeepsTheOldConfigurationWhole) {
    Disk = std::make_unique<TSmallDisk>(Folder / "disk");
    if (!Disk->Mounted) {
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(Disk->Error);
    }
    const fs::path ini = Disk->Path / "kestrune.ini";
    const std::string old = "; notes\r\n[Config]\r\nWindowX=5\r\nFolder=\r\nLogo=/old.bmp\r\n"
                            "[DriverNameAlias]\r\nJon=J\r\n";
    Spit(ini, old);
    Start(ini.string());
    Disk->Fill();

    TModalAnswerer answerer;
    Main->SaveBounds();
    ExpectOneWriteError(answerer, ini.string(), std::strerror(ENOSPC));
    EXPECT_EQ(Slurp(ini), old);
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(Disk->Path)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"filler", "kestrune.ini"}))
        << "no half-written temporary file is left behind";
}

TEST(FaultMatrixUiBitmapHeader, ThePixelsTheHeaderPromisesMustBeThere) {
    const auto complete = [](const std::string& file) {
        return BitmapPixelsComplete(std::string_view(file).substr(0, BitmapHeadBytes), file.size());
    };
    EXPECT_TRUE(complete(BitmapHeader(3, 2, 24)));    // rows of 9 bytes padded to 12
    EXPECT_FALSE(complete(BitmapHeader(3, 2, 23)));   // the last row's padding is missing
    EXPECT_TRUE(complete(BitmapHeader(3, -2u, 24)));  // top-down rows count the same
    EXPECT_TRUE(complete(BitmapHeader(17, 1, 4, 1))); // one bit a pixel, one 32-bit word
    EXPECT_FALSE(complete(BitmapHeader(20000, 20000, 4096)));
    // Sizes past anything a file holds, and the most negative height, must not wrap around.
    EXPECT_FALSE(complete(BitmapHeader(0x7FFFFFFF, 0x80000000u, 16, 0xFFFF)));
    EXPECT_FALSE(complete(BitmapHeader(0x7FFFFFFF, 0x7FFFFFFF, 16, 32, 3)));
    // Run-length data: only the size it states can be checked.
    EXPECT_FALSE(complete(BitmapHeader(64, 64, 100, 8, 1, 101)));
    EXPECT_TRUE(complete(BitmapHeader(64, 64, 100, 8, 1, 0)));
    // The old 12-byte header with 16-bit sizes: 2 x 2 at 24 bits is two rows of 8 bytes.
    std::string core = "BM";
    PutLittleEndian(core, 42, 4);
    PutLittleEndian(core, 0, 4);
    PutLittleEndian(core, 26, 4);
    PutLittleEndian(core, 12, 4);
    for (const uint32_t field : {2u, 2u, 1u, 24u}) {
        PutLittleEndian(core, field, 2);
    }
    EXPECT_TRUE(complete(core + std::string(16, '\0')));
    EXPECT_FALSE(complete(core + std::string(15, '\0')));
    EXPECT_FALSE(complete(core.substr(0, 20))) << "cut inside the header";
    EXPECT_TRUE(complete("GIF89a")) << "not a bitmap: the reader judges it";
}

} // namespace
