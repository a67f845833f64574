#include "app/update_check.h"

#include <gtest/gtest.h>

#include "app/text_file.h"
#include "box_recording_window.h"
#include "control/site.h"
#include "disks/path_text.h"
#include "fake_download.h"

namespace {

const std::wstring kCaption = std::wstring(L"Brevel Free 2312 - ") + kSiteName;

struct CheckOutcome {
    std::vector<BoxRecordingWindow::Box> boxes;
    std::vector<std::wstring> openedUrls;
    std::vector<std::wstring> downloads;
};

CheckOutcome RunCheck(std::optional<std::string> body, const std::wstring& caption = kCaption,
                      int answer = BoxResult::Cancel) {
    BoxRecordingWindow window(caption);
    window.answer = answer;
    FakeDownload download(std::move(body));
    OnUpdateCheck(window, download);
    return {window.boxes, window.openedUrls, download.urls};
}

bool Offered(const std::string& body) {
    SCOPED_TRACE("version file: " + body);
    const CheckOutcome outcome = RunCheck(body);
    EXPECT_LE(outcome.boxes.size(), 1u);
    return outcome.boxes.size() == 1;
}

}  // namespace

TEST(UpdateCheck, AsksForTheVersionFileAndOffersTheDownloadPage) {
    const CheckOutcome outcome = RunCheck("BREVEL=2401", kCaption, BoxResult::Ok);
    ASSERT_EQ(outcome.downloads, std::vector<std::wstring>{L"https://" + std::wstring(kSiteName) +
                                                           L"/brevel-latest-version"});
    ASSERT_EQ(outcome.boxes.size(), 1u);
    EXPECT_EQ(outcome.boxes[0].text,
              L"A new version of Brevel is available. Click OK to open the download page.");
    EXPECT_EQ(outcome.boxes[0].caption, L"Update");
    EXPECT_EQ(outcome.boxes[0].style, 0x41u);
    EXPECT_EQ(outcome.openedUrls,
              std::vector<std::wstring>{L"https://" + std::wstring(kSiteName) + L"/brevel"});
}

TEST(UpdateCheck, CancelOpensNothing) {
    const CheckOutcome outcome = RunCheck("BREVEL=2401", kCaption, BoxResult::Cancel);
    EXPECT_EQ(outcome.boxes.size(), 1u);
    EXPECT_TRUE(outcome.openedUrls.empty());
}

TEST(UpdateCheck, AnyDifferentVersionAsks) {
    EXPECT_TRUE(Offered("BREVEL=2311"));   // older
    EXPECT_TRUE(Offered("BREVEL=02312"));  // zero-padded
    EXPECT_TRUE(Offered("BREVEL=23120"));  // every digit counts
    EXPECT_TRUE(Offered("BREVEL=231"));
}

TEST(UpdateCheck, EqualVersionOrNoUsableKeyIsSilent) {
    EXPECT_FALSE(Offered("BREVEL=2312"));
    EXPECT_FALSE(Offered("BREVEL=2312\r\n"));
    EXPECT_FALSE(Offered("BREVEL=2312abc"));  // the digits end at the letter
    EXPECT_FALSE(Offered("BREVEL="));
    EXPECT_FALSE(Offered("BREVEL= 2401"));
    EXPECT_FALSE(Offered("brevel=2401"));
    EXPECT_FALSE(Offered("Brevel=2401"));
    EXPECT_FALSE(Offered("BREVEL:2401"));
    EXPECT_FALSE(Offered(""));
}

TEST(UpdateCheck, TheLastKeyWithDigitsCounts) {
    EXPECT_FALSE(Offered("BREVEL=2401\nBREVEL=2312\n"));
    EXPECT_TRUE(Offered("BREVEL=2312\nBREVEL=2401\n"));
    // A later key without digits is passed over.
    EXPECT_TRUE(Offered("BREVEL=2401\nBREVEL=x\n"));
    EXPECT_FALSE(Offered("BREVEL=2312\nBREVEL=\nbrevel=2401"));
}

TEST(UpdateCheck, KeyIsFoundAnywhereInAManyLineText) {
    EXPECT_TRUE(Offered("<html>\r\n<body>\r\n<p>BREVEL=2401</p>\r\n</body></html>\r\n"));
    EXPECT_TRUE(Offered("NOTBREVEL=2401"));
    // Bytes that are not ASCII, and a NUL, before the key.
    EXPECT_TRUE(
        Offered("Gr\xC3\xB6\xC3\x9F"
                "e \xFF\x80\n" +
                std::string(1, '\0') + "BREVEL=2401"));
}

TEST(UpdateCheck, LargeTextsAreMatchedOrEndSilently) {
    std::string keyAtEnd(1024 * 1024 - 11, 'x');
    keyAtEnd += "BREVEL=2401";
    EXPECT_TRUE(Offered(keyAtEnd));
    std::string keyAtStart = "BREVEL=2401\n" + std::string(1024 * 1024, '\n');
    EXPECT_TRUE(Offered(keyAtStart));
    std::string keysWithoutDigits;
    while (keysWithoutDigits.size() < 1024 * 1024) {
        keysWithoutDigits += "BREVEL=\n";
    }
    EXPECT_FALSE(Offered(keysWithoutDigits));
}

TEST(UpdateCheck, RunningVersionComesFromTheCaption) {
    EXPECT_TRUE(RunCheck("BREVEL=2401", L"Brevel Free 2401 - elsewhere").boxes.empty());
    EXPECT_EQ(RunCheck("BREVEL=2312", L"Brevel Free 2401").boxes.size(), 1u);
    EXPECT_EQ(RunningVersion(L"Brevel Free 2312 - " + std::wstring(kSiteName)), L"2312");
    EXPECT_EQ(RunningVersion(L"x\nBrevel Free 0042\n"), L"0042");
}

TEST(UpdateCheck, CaptionWithoutVersionDownloadsNothing) {
    for (const std::wstring caption :
         {L"Brevel", L"Brevel Free", L"Brevel Free - site", L"Brevel Free x2312",
          L"Brevel Free  2312", L"brevel free 2312", L"Brevel 2312", L""}) {
        SCOPED_TRACE(WideToUtf8(caption));
        const CheckOutcome outcome = RunCheck("BREVEL=2401", caption);
        EXPECT_TRUE(outcome.downloads.empty());
        EXPECT_TRUE(outcome.boxes.empty());
    }
}

TEST(UpdateCheck, FailedDownloadIsSilent) {
    const CheckOutcome outcome = RunCheck(std::nullopt);
    EXPECT_EQ(outcome.downloads.size(), 1u);
    EXPECT_TRUE(outcome.boxes.empty());
}

TEST(TextOfBytes, EveryByteBecomesTheCharacterOfItsValue) {
    std::string bytes;
    for (int value = 0; value < 256; ++value) {
        bytes.push_back(static_cast<char>(value));
    }
    const std::wstring text = TextOfBytes(bytes);
    ASSERT_EQ(text.size(), 256u);
    for (int value = 0; value < 256; ++value) {
        EXPECT_EQ(static_cast<int>(text[value]), value);
    }
}

TEST(TextOfBytes, CrLfBecomesLfAndALoneCrStays) {
    EXPECT_EQ(TextOfBytes("a\r\nb\rc\r\r\nd\r"), L"a\nb\rc\r\nd\r");
    EXPECT_EQ(TextOfBytes(""), L"");
}
