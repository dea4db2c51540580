#include "recording/XlsWriter.h"

#include "BiffReader.h"
#include "MemoryFiles.h"

#include <gtest/gtest.h>

namespace kesto::test {
namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values) {
        out.push_back(static_cast<char>(v));
    }
    return out;
}

TEST(XlsRecordsTest, recordsByteForByte) {
    EXPECT_EQ(XlsWriteBof(), bytes({0x09, 0x08, 8, 0, 0, 0, 0x10, 0, 0, 0, 0, 0}));
    EXPECT_EQ(XlsWriteEof(), bytes({0x0A, 0, 0, 0}));
    // 12.5 = 0x4029000000000000
    EXPECT_EQ(XlsWriteNumber(1, 2, 12.5),
              bytes({0x03, 0x02, 14, 0, 1, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x29, 0x40}));
    EXPECT_EQ(XlsWriteNumber(0x1234, 0xABCD, -2.0),
              bytes({0x03, 0x02, 14, 0, 0x34, 0x12, 0xCD, 0xAB, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0}));
    EXPECT_EQ(XlsWriteLabel(1, 0, "07.12.2026"),
              bytes({0x04, 0x02, 18, 0, 1, 0, 0, 0, 0, 0, 10, 0}) + "07.12.2026");
    EXPECT_EQ(XlsWriteLabel(3, 4, ""), bytes({0x04, 0x02, 8, 0, 3, 0, 4, 0, 0, 0, 0, 0}));
    // The data length is a 16-bit field: a longer text is cut so the record stays whole.
    const std::string label = XlsWriteLabel(0, 0, std::string(70000, 'x'));
    EXPECT_EQ(label.size(), 12 + kXlsMaxLabelBytes);
    EXPECT_EQ(biff16(label, 2), 65535);
}

TEST(XlsRecordsTest, aRowIsOneCellPerFieldNumbersAsNumbers) {
    const std::string row = XlsRowRecords(7, "05.03.2024,02:07:09 PM,12.5,,-3,1e2,x y");
    const BiffSheet sheet = readBiff(XlsWriteBof() + row + XlsWriteEof());
    ASSERT_TRUE(sheet.valid) << sheet.error;
    EXPECT_EQ(sheet.records, 7u);
    const std::map<std::pair<int, int>, BiffCell> expected{{{7, 0}, std::string("05.03.2024")},
                                                           {{7, 1}, std::string("02:07:09 PM")},
                                                           {{7, 2}, 12.5},
                                                           {{7, 3}, std::string()},
                                                           {{7, 4}, -3.0},
                                                           {{7, 5}, 100.0},
                                                           {{7, 6}, std::string("x y")}};
    EXPECT_EQ(sheet.cells, expected);
    // An empty line is one empty text cell.
    EXPECT_EQ(XlsRowRecords(0, ""), XlsWriteLabel(0, 0, ""));
}

class XlsWriterTest : public ::testing::Test {
protected:
    const std::string path = "/rec/test.xls";
    MemoryFiles files;
    XlsWriter writer{files};
    const std::string& file() { return files.files[path]; }
};

TEST_F(XlsWriterTest, fileIsCompleteAfterEveryRowAndByteExactWhenClosed) {
    files.keepHistory = true;
    ASSERT_FALSE(writer.XlsCreate(path));
    EXPECT_EQ(file(), XlsWriteBof() + XlsWriteEof());
    std::vector<std::string> lines{"dd.mm.yyyy,hh:mm:ss,O2[%],CO2[%],TGas[\xB0"
                                   "C],TRoom[\xB0"
                                   "C]"};
    for (int r = 1; r < 40; ++r) { // rows of about 100 bytes: many cross a sector boundary
        lines.push_back("05.03.2024,14:07:" + std::to_string(10 + r) + ",10.5,0.0,180,21.0");
    }
    std::string cells;
    for (std::size_t r = 0; r < lines.size(); ++r) {
        ASSERT_FALSE(writer.XlsWriteRow(lines[r]));
        cells += XlsRowRecords(static_cast<std::uint16_t>(r), lines[r]);
        EXPECT_EQ(file(), XlsWriteBof() + cells + XlsWriteEof());
        EXPECT_EQ(writer.currentRow(), r + 1);
    }
    ASSERT_FALSE(writer.XlsClose());
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(file(), XlsWriteBof() + cells + XlsWriteEof());

    // Every state the file passed through, and every state a power cut in the middle of a write
    // could leave, was a readable spreadsheet holding the rows written before, or those and the
    // new one: no crash leaves a torn row or a file without its end.
    int lastRows = 0;
    for (const std::string& state : files.history) {
        if (state.empty()) {
            continue; // just created
        }
        const BiffSheet sheet = readBiff(state);
        ASSERT_TRUE(sheet.valid) << sheet.error;
        EXPECT_TRUE(sheet.rowCount() == lastRows || sheet.rowCount() == lastRows + 1);
        lastRows = sheet.rowCount();
    }
    EXPECT_EQ(lastRows, 40);
}

TEST_F(XlsWriterTest, aFailedRowIsTakenBackAndTheNextGoesToTheSameRow) {
    ASSERT_FALSE(writer.XlsCreate(path));
    ASSERT_FALSE(writer.XlsWriteRow("title,x"));
    const std::string before = file();
    // Each step of adding a row fails once, in turn: the first or second write (half-way, as a
    // full disk does), or either flush.
    for (const auto& [operation, nth] : std::vector<std::pair<std::string, int>>{
             {"write", 1}, {"sync", 1}, {"write", 2}, {"sync", 2}}) {
        SCOPED_TRACE(operation + " " + std::to_string(nth));
        files.calls.clear();
        files.failOn = [op = operation, n = nth](const std::string& o, int call) -> FileError {
            if (o == op && call == n) {
                return std::string("No space left on device");
            }
            return std::nullopt;
        };
        EXPECT_EQ(writer.XlsWriteRow("1,2"), "No space left on device");
        EXPECT_EQ(file(), before);
        EXPECT_EQ(writer.currentRow(), 1u);
    }
    files.failOn = nullptr;
    ASSERT_FALSE(writer.XlsWriteRow("1,2"));
    ASSERT_FALSE(writer.XlsClose());
    const BiffSheet sheet = readBiff(file());
    ASSERT_TRUE(sheet.valid);
    EXPECT_FALSE(sheet.trailing);
    EXPECT_EQ(sheet.rowCount(), 2);
    EXPECT_EQ(std::get<double>(sheet.cells.at({1, 1})), 2.0);
}

} // namespace
} // namespace kesto::test
