// The settings file's text and the uninstaller's final report.
#include <gtest/gtest.h>

#include <string>

#include "demo/config/vale_settings.h"
#include "demo/sweeper/removal_report.h"

namespace {

using vale::Settings;

Settings Parse(const std::string& text) { return vale::ParseSettings(text.data(), text.size()); }

TEST(ValeSettings, DefaultsAreWrittenAsTheShippedFile) {
  EXPECT_EQ(vale::FormatSettings(Settings()),
            "[Vale]\r\nResolution=800x600\r\nDetail=Medium\r\nSound=On\r\nMusic=On\r\n");
}

TEST(ValeSettings, EverySettingRoundTrips) {
  for (int resolution = 0; resolution < vale::ResolutionCount; ++resolution) {
    for (int detail = 0; detail < vale::DetailCount; ++detail) {
      for (int switches = 0; switches < 4; ++switches) {
        Settings settings;
        settings.resolution = resolution;
        settings.detail = detail;
        settings.sound = (switches & 1) != 0;
        settings.music = (switches & 2) != 0;
        EXPECT_TRUE(Parse(vale::FormatSettings(settings)) == settings)
            << vale::FormatSettings(settings);
      }
    }
  }
}

TEST(ValeSettings, DamagedOrForeignTextFallsBackPerSetting) {
  // Unknown values and keys leave the defaults; known ones still count.
  Settings parsed = Parse("[Vale]\nResolution=99x99\nDetail=Ultra\nSound=maybe\nMusic=off\nColour=32\n");
  EXPECT_EQ(parsed.resolution, Settings().resolution);
  EXPECT_EQ(parsed.detail, Settings().detail);
  EXPECT_TRUE(parsed.sound);
  EXPECT_FALSE(parsed.music);
  // Keys outside the [Vale] section are not ours.
  parsed = Parse("[Other]\r\nSound=Off\r\n[vale]\r\n  resolution = 1024X768 \r\n; Music=Off\r\n");
  EXPECT_TRUE(parsed.sound);
  EXPECT_TRUE(parsed.music);
  EXPECT_EQ(vale::ResolutionText(parsed.resolution), "1024x768");
  // Binary junk and an empty file give the defaults.
  std::string junk("\0\xff\x01[Vale\nResolution", 20);
  EXPECT_TRUE(Parse(junk) == Settings());
  EXPECT_TRUE(Parse("") == Settings());
}

TEST(ValeSettings, OutOfRangeIndexesAreNeverWritten) {
  Settings settings;
  settings.resolution = 17;
  settings.detail = -1;
  EXPECT_TRUE(Parse(vale::FormatSettings(settings)) == Settings());
  EXPECT_EQ(vale::ResolutionText(-1), "?");
}

TEST(RemovalReport, ExitCodeAndWording) {
  sweeper::RemovalReport clean;
  clean.filesRemoved = 306;
  clean.directoriesRemoved = 36;
  clean.shortcutsRemoved = 5;
  EXPECT_EQ(sweeper::ReportExitCode(clean), 0);
  std::string text = sweeper::FormatReport(clean, 10);
  EXPECT_NE(text.find("Umberlay Vale (Demo) was removed from your computer."), std::string::npos);
  EXPECT_NE(text.find("306 files, 36 folders, 5 shortcuts"), std::string::npos);

  // Folders kept for the user's own files are not a failure.
  clean.kept.push_back("C:\\Games\\Vale\\SAVES");
  EXPECT_EQ(sweeper::ReportExitCode(clean), 0);
  EXPECT_NE(sweeper::FormatReport(clean, 10).find("C:\\Games\\Vale\\SAVES"), std::string::npos);

  sweeper::RemovalReport refused = clean;
  refused.refused.push_back("line 3: ..\\X (names a parent directory)");
  EXPECT_EQ(sweeper::ReportExitCode(refused), 1);
  EXPECT_NE(sweeper::FormatReport(refused, 10).find("some items could not be removed"), std::string::npos);

  sweeper::RemovalReport stopped;
  stopped.stopReason = "it is not registered as installed on this computer.";
  EXPECT_EQ(sweeper::ReportExitCode(stopped), 1);
  EXPECT_NE(sweeper::FormatReport(stopped, 10).find("Nothing was changed."), std::string::npos);
}

TEST(RemovalReport, LongListsAreCut) {
  sweeper::RemovalReport report;
  for (int i = 0; i < 25; ++i) report.notRemoved.push_back("FILE" + std::to_string(i));
  std::string text = sweeper::FormatReport(report, 10);
  EXPECT_NE(text.find("FILE9"), std::string::npos);
  EXPECT_EQ(text.find("FILE10"), std::string::npos);
  EXPECT_NE(text.find("... and 15 more."), std::string::npos);
}

}  // namespace
