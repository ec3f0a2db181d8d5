// Help and About of the player window: the help file unpacked once into the work folder and
// handed to the viewer at every request, the box when the bundle has none, the About box.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <utility>

#include "BundleFixture.h"
#include "GeneralErrorReport.h"
#include "HelpSegment.h"
#include "HelpViewer.h"
#include "QtTranslations.h"
#include "TestControls.h"
#include "TestUtil.h"
#include "Trailer.h"
#include "UnitAbout.h"
#include "UnitPlay.h"

namespace kel::test {
namespace {

namespace fs = std::filesystem;

// Every modal window that comes up while it watches goes to the inspection that Expect set up,
// or, unexpected, fails the test; either way it is closed, so a fault never leaves a test hanging
// in a window's modal loop.
class ModalWatch {
  public:
    ModalWatch() {
        QObject::connect(&FPoll, &QTimer::timeout, [this] { Check(); });
        FPoll.start(10);
    }

    // Runs `open`, which must show one modal window; `inspect` gets it while it is up.
    void Expect(const std::function<void()>& open, std::function<void(QWidget&)> inspect) {
        FInspect = std::move(inspect);
        open();
        EXPECT_TRUE(FInspect == nullptr) << "no modal window came up";
        FInspect = nullptr;
    }

  private:
    void Check() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (FInspect)
            std::exchange(FInspect, nullptr)(*modal);
        else
            ADD_FAILURE() << "unexpected modal window \"" << modal->windowTitle().toStdString()
                          << "\"";
        if (modal->isVisible())
            modal->close();
    }

    QTimer FPoll;
    std::function<void(QWidget&)> FInspect;
};

class HelpAndAbout : public ::testing::Test {
  protected:
    void SetUp() override {
        SetErrorReporter([this](const std::string& text) { Reports.push_back(text); });
        SetHelpViewer([this](const std::string& path) { Opened.push_back(path); });
        fs::create_directory(Folder.Path() / "temp");
    }
    void TearDown() override {
        SetErrorReporter({});
        SetHelpViewer({});
    }

    std::unique_ptr<TfrmZRPlay> Open(const std::string& helpFile = {}) {
        const std::string bundle =
            BuildBundle(Folder.Path().string(), {{"a.txt", Bytes("lesson"), {}}}, {}, {}, helpFile);
        auto window =
            std::make_unique<TfrmZRPlay>(TPlayerSetup{bundle, Folder / "temp/", TestControls()});
        window->show();
        return window;
    }

    std::string HelpPath(const TfrmZRPlay& window) const {
        return window.WorkFolder() + kHelpFileName;
    }

    TempFolder Folder;
    std::vector<std::string> Reports;
    std::vector<std::string> Opened;
    ModalWatch Modals;
};

TEST_F(HelpAndAbout, BundleWithoutHelpSaysSoInAnInformationBox) {
    auto window = Open();
    Modals.Expect([&] { window->ShowHelp(nullptr); },
                  [](QWidget& modal) {
                      auto* box = qobject_cast<QMessageBox*>(&modal);
                      ASSERT_NE(box, nullptr);
                      EXPECT_EQ(box->text(), QString::fromUtf8("包中没有应用指南"));
                      EXPECT_EQ(box->windowTitle(), QString::fromUtf8("提示"));
                      EXPECT_EQ(box->icon(), QMessageBox::Information);
                      EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
                      QTest::keyClick(box, Qt::Key_Return);
                  });
    EXPECT_TRUE(Opened.empty());
    EXPECT_FALSE(fs::exists(HelpPath(*window)));

    // A help file already in the work folder is opened even so.
    WriteAll(HelpPath(*window), "placed");
    window->ShowHelp(nullptr);
    EXPECT_EQ(Opened, std::vector<std::string>{HelpPath(*window)});
    EXPECT_TRUE(Reports.empty());
}

// Qt's own texts, the box's button among them, read in Chinese like the player's where Qt's
// translations are installed, and stay English where they are not.
TEST_F(HelpAndAbout, NoHelpBoxButtonFollowsQtTranslations) {
    auto window = Open();
    const QString absent = QString::fromStdString(Folder / "no-translations");
    const struct {
        const char* Where;
        std::function<std::unique_ptr<QTranslator>()> Install;
        bool Installed;
        const char* Button;
    } cases[] = {
        {"Qt's translations folder", [] { return InstallQtTranslations(); }, true, "确定"},
        {"a folder without them", [&] { return InstallQtTranslations(absent); }, false, "OK"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Where);
        const std::unique_ptr<QTranslator> translations = c.Install();
        ASSERT_EQ(translations != nullptr, c.Installed)
            << "Qt's Chinese translations (qt6-translations-l10n) are not installed";
        Modals.Expect([&] { window->ShowHelp(nullptr); },
                      [&](QWidget& modal) {
                          auto* box = qobject_cast<QMessageBox*>(&modal);
                          ASSERT_NE(box, nullptr);
                          ASSERT_NE(box->button(QMessageBox::Ok), nullptr);
                          EXPECT_EQ(box->button(QMessageBox::Ok)->text(),
                                    QString::fromUtf8(c.Button));
                          QTest::keyClick(box, Qt::Key_Return);
                      });
    }
}

TEST_F(HelpAndAbout, HelpIsUnpackedOnceAndOpenedAtEveryRequest) {
    const std::string help = Folder / "guide.chm";
    const std::vector<uint8_t> content = SampleBytes(100000, 7);
    WriteAll(help, content);
    auto window = Open(help);
    // No lesson has been unpacked: the work folder is not there yet.
    fs::remove_all(window->WorkFolder());

    window->ShowHelp(nullptr);
    const std::string path = HelpPath(*window);
    EXPECT_EQ(Opened, std::vector<std::string>{path});
    EXPECT_EQ(ReadAll(path), content);

    // A second request finds the file and does not unpack it again.
    WriteAll(path, "changed by the viewer");
    window->ShowHelp(nullptr);
    EXPECT_EQ(Opened, (std::vector<std::string>{path, path}));
    EXPECT_EQ(ReadAll(path), Bytes("changed by the viewer"));
    EXPECT_TRUE(Reports.empty());
}

TEST_F(HelpAndAbout, DamagedHelpSegmentIsReportedAndNothingIsOpened) {
    const std::string help = Folder / "guide.chm";
    WriteAll(help, SampleBytes(100000, 7));
    auto window = Open(help);
    const TBundleTrailer trailer = ReadBundle(Folder / "bundle.bin").Trailer;
    {
        std::fstream bundle(Folder / "bundle.bin", std::ios::in | std::ios::out | std::ios::binary);
        bundle.seekp(uint64_t{trailer.MainOffset} + trailer.HelpOffset + trailer.HelpSize / 2);
        bundle.write("\xff\xff\xff\xff\xff\xff\xff\xff", 8);
    }

    RunGuarded([&] { window->ShowHelp(nullptr); });
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_NE(Reports[0].find("help segment"), std::string::npos) << Reports[0];
    EXPECT_TRUE(Opened.empty());
    EXPECT_FALSE(fs::exists(HelpPath(*window)));
}

// Without the desktop's opener nothing is shown; one line on stderr says why.
TEST_F(HelpAndAbout, MissingOpenerIsSaidOnStderrOnly) {
    SetHelpViewer({});
    fs::create_directory(Folder.Path() / "bin");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(Folder / "bin"));
    testing::internal::CaptureStderr();
    OpenHelpFile(Folder / "guide.chm");
    const std::string said = testing::internal::GetCapturedStderr();
    qputenv("PATH", path);
    EXPECT_EQ(said, "kelPlayer: the help file cannot be opened: xdg-open did not start\n");
}

TEST_F(HelpAndAbout, AboutBoxShowsTheProductAndClosesWithOK) {
    auto window = Open();
    Modals.Expect([&] { window->ShowAbout(nullptr); },
                  [](QWidget& modal) {
                      auto* about = dynamic_cast<TfrmAbout*>(&modal);
                      ASSERT_NE(about, nullptr);
                      EXPECT_EQ(about->windowTitle(),
                                QString::fromUtf8("关于 Korvat教育 - Lumivo播放器"));
                      EXPECT_EQ(about->size(), QSize(480, 300));
                      const struct {
                          QLabel* Label;
                          QPoint Place;
                          const char* Text;
                      } lines[] = {
                          {about->Label1,
                           {40, 130},
                           "Korvat教育Lumivo多媒体教学软件   Lumivo Multimedia Teaching Software"},
                          {about->Label2, {40, 154}, "版本 v4.0"},
                          {about->Label3, {40, 178}, nullptr},
                          {about->Label4, {40, 202}, nullptr},
                      };
                      for (const auto& line : lines) {
                          EXPECT_EQ(line.Label->pos(), line.Place);
                          EXPECT_TRUE(line.Label->isVisible());
                          if (line.Text) {
                              EXPECT_EQ(line.Label->text(), QString::fromUtf8(line.Text));
                          }
                      }
                      EXPECT_EQ(about->Image1->geometry(), QRect(0, 0, 480, 100));
                      EXPECT_FALSE(about->Image1->pixmap().isNull());
                      EXPECT_FALSE(about->btnAuthor->isVisible());
                      EXPECT_EQ(about->btnOK->text(), QString::fromUtf8("确定"));
                      EXPECT_EQ(about->btnOK->geometry(), QRect(365, 263, 75, 23));
                      QTest::mouseClick(about->btnOK, Qt::LeftButton);
                      EXPECT_FALSE(about->isVisible());
                      EXPECT_EQ(about->result(), QDialog::Accepted);
                  });
}

TEST(AboutBox, AuthorButtonOpensTheAuthorsTextAndClosesItAgain) {
    TfrmAbout about(nullptr);
    about.show();
    EXPECT_FALSE(about.rect().contains(about.moAuthor->geometry()));
    about.btnAuthorClick();
    EXPECT_EQ(about.size(), QSize(480, 400));
    EXPECT_TRUE(about.rect().contains(about.moAuthor->geometry()));
    about.btnAuthorClick();
    EXPECT_EQ(about.size(), QSize(480, 300));
}

}  // namespace
}  // namespace kel::test
