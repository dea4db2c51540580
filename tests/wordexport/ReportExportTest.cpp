#include "wordexport/ExportJob.h"
#include "wordexport/ReportExport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kesto::test {
namespace {

using Result = ExportOutcome::Result;

// A word processor that writes into a plain map of bookmark texts and logs every call.
struct FakeState {
    std::vector<std::string> calls;
    std::map<std::string, std::string> bookmarks; // name -> text inserted behind it
    bool reachable = true;
    bool hasDocument = true;
    bool textDocument = true;
    bool readOnly = false;
    std::optional<std::string> failInsertAt; // bookmark whose insertion fails
    std::atomic<bool>* cancelOnInsertOf = nullptr;
    std::string cancelBookmark;
    int sessionsOpen = 0;
};

class FakeDocument final : public ReportDocument {
public:
    explicit FakeDocument(FakeState& s) : s_(s) {}
    bool isTextDocument() override {
        s_.calls.push_back("isTextDocument");
        return s_.textDocument;
    }
    bool isReadOnly() override {
        s_.calls.push_back("isReadOnly");
        return s_.readOnly;
    }
    bool hasBookmark(const std::string& name) override {
        s_.calls.push_back("has " + name);
        return s_.bookmarks.contains(name);
    }
    void insertAfterBookmark(const std::string& name, const std::string& text) override {
        s_.calls.push_back("insert " + name + " " + text);
        if (s_.failInsertAt == name) {
            throw WordProcessorError("Document is protected");
        }
        s_.bookmarks[name] += text;
        if (s_.cancelOnInsertOf != nullptr && name == s_.cancelBookmark) {
            *s_.cancelOnInsertOf = true;
        }
    }
    void replaceBookmarkText(const std::string& name, const std::string& text) override {
        s_.calls.push_back("replace " + name + " " + text);
        s_.bookmarks[name] = text;
    }

private:
    FakeState& s_;
};

class FakeSession final : public WordProcessorSession {
public:
    explicit FakeSession(FakeState& s) : s_(s) { ++s_.sessionsOpen; }
    ~FakeSession() override { --s_.sessionsOpen; }
    std::unique_ptr<ReportDocument> currentDocument() override {
        s_.calls.push_back("currentDocument");
        if (!s_.hasDocument) {
            return nullptr;
        }
        return std::make_unique<FakeDocument>(s_);
    }

private:
    FakeState& s_;
};

class FakeProcessor final : public WordProcessor {
public:
    explicit FakeProcessor(FakeState& s) : s_(s) {}
    std::unique_ptr<WordProcessorSession> attach() override {
        s_.calls.push_back("attach");
        if (!s_.reachable) {
            throw WordProcessorUnreachable("no office on the pipe");
        }
        return std::make_unique<FakeSession>(s_);
    }

private:
    FakeState& s_;
};

LiveDisplay displayWith(std::initializer_list<std::pair<Channel, float>> values) {
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    for (const auto& [channel, value] : values) {
        display[index(channel)].value = value;
        display[index(channel)].valid = true;
    }
    return display;
}

// "Value1" -> "1.0", ... as plain numbered texts, so every insertion can be told apart.
ReportValues numberedValues() {
    ReportValues values;
    for (std::size_t k = 0; k < kReportValueCount; ++k) {
        values.push_back({"Value" + std::to_string(k + 1), std::to_string(k + 1) + ".0"});
    }
    return values;
}

ExportOutcome run(FakeState& state) {
    FakeProcessor processor(state);
    std::atomic<bool> notCancelled{false};
    return runReportExport(processor, numberedValues(),
                           state.cancelOnInsertOf != nullptr ? *state.cancelOnInsertOf
                                                             : notCancelled);
}

TEST(ReportExport, bookmarksOneToFifteenAreTheRecordingColumnsFromO2ToCxHyMg) {
    const auto& marks = reportBookmarks();
    ASSERT_EQ(marks.size(), 15u);
    for (std::size_t k = 0; k < marks.size(); ++k) {
        EXPECT_EQ(marks[k].name, "Value" + std::to_string(k + 1));
        EXPECT_EQ(marks[k].channel, channelAt(k)) << marks[k].name;
    }
    EXPECT_EQ(marks[2].channel, Channel::TG);
    EXPECT_EQ(marks[11].channel, Channel::SO2);
    EXPECT_EQ(marks[14].channel, Channel::CXHYMG);
}

TEST(ReportExport, valuesAreTheGaugeTextsInTheChannelFormat) {
    LiveDisplay display = displayWith({{Channel::O2, 20.94f},
                                       {Channel::TG, 235.4f},
                                       {Channel::LAMBDA, 1.256f},
                                       {Channel::SO2, 17.0f},
                                       {Channel::CO2, -0.04f}});
    display[index(Channel::TG)].settings.format = "##0.0";
    // Left over in the record, but the gauge of an invalid channel stands at 0.
    display[index(Channel::ETA)].value = 91.3f;
    display[index(Channel::ETA)].valid = false;

    const ReportValues values = reportValues(display);
    const std::map<std::string, std::string> expected{
        {"Value1", "20.9"}, {"Value2", "0.0"},  {"Value3", "235.4"}, {"Value4", "0.0"},
        {"Value5", "0.0"},  {"Value6", "1.26"}, {"Value12", "17"},   {"Value15", "0"}};
    for (const ReportValue& v : values) {
        if (const auto it = expected.find(v.bookmark); it != expected.end()) {
            EXPECT_EQ(v.text, it->second) << v.bookmark;
        }
    }
}

TEST(ReportExport, fillsOnlyTheBookmarksTheDocumentHasInOrder) {
    FakeState state;
    state.bookmarks = {{"Value3", ""}, {"Value12", ""}};
    const ExportOutcome outcome = run(state);

    EXPECT_EQ(outcome.result, Result::Done);
    EXPECT_EQ(outcome.filled, (std::vector<std::string>{"Value3", "Value12"}));
    EXPECT_EQ(state.bookmarks["Value3"], "3.0");
    EXPECT_EQ(state.bookmarks["Value12"], "12.0");
    EXPECT_EQ(state.bookmarks.size(), 2u);
    std::vector<std::string> expected{"attach", "currentDocument", "isTextDocument", "isReadOnly"};
    for (int k = 1; k <= 15; ++k) {
        expected.push_back("has Value" + std::to_string(k));
        if (k == 3 || k == 12) {
            expected.push_back("insert Value" + std::to_string(k) + " " + std::to_string(k) + ".0");
        }
    }
    EXPECT_EQ(state.calls, expected);
    EXPECT_EQ(state.sessionsOpen, 0);
}

TEST(ReportExport, stopsBeforeTouchingTheDocumentWhenItCannotBeFilled) {
    struct Case {
        const char* name;
        void (*setUp)(FakeState&);
        Result result;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases{
        {"unreachable", [](FakeState& s) { s.reachable = false; }, Result::Unreachable, {"attach"}},
        {"no document",
         [](FakeState& s) { s.hasDocument = false; },
         Result::NoDocument,
         {"attach", "currentDocument"}},
        {"spreadsheet",
         [](FakeState& s) { s.textDocument = false; },
         Result::NotTextDocument,
         {"attach", "currentDocument", "isTextDocument"}},
        {"read-only",
         [](FakeState& s) { s.readOnly = true; },
         Result::ReadOnly,
         {"attach", "currentDocument", "isTextDocument", "isReadOnly"}},
    };
    for (const Case& c : cases) {
        FakeState state;
        state.bookmarks = {{"Value1", ""}};
        c.setUp(state);
        const ExportOutcome outcome = run(state);
        EXPECT_EQ(outcome.result, c.result) << c.name;
        EXPECT_EQ(state.calls, c.calls) << c.name;
        EXPECT_EQ(state.bookmarks["Value1"], "") << c.name;
        EXPECT_EQ(state.sessionsOpen, 0) << c.name;
    }
}

TEST(ReportExport, aFailingInsertionEndsTheExportAndKeepsWhatWasInserted) {
    FakeState state;
    state.bookmarks = {{"Value1", ""}, {"Value2", ""}, {"Value3", ""}};
    state.failInsertAt = "Value2";
    const ExportOutcome outcome = run(state);

    EXPECT_EQ(outcome.result, Result::Error);
    EXPECT_EQ(outcome.error, "Document is protected");
    EXPECT_EQ(outcome.filled, std::vector<std::string>{"Value1"});
    EXPECT_EQ(state.bookmarks["Value1"], "1.0");
    EXPECT_EQ(state.bookmarks["Value3"], "");
    EXPECT_EQ(state.calls.back(), "insert Value2 2.0");
    EXPECT_EQ(state.sessionsOpen, 0);
}

TEST(ReportExport, takesNoStepAfterCancellation) {
    FakeState before;
    std::atomic<bool> cancelled{true};
    FakeProcessor processor(before);
    EXPECT_EQ(runReportExport(processor, numberedValues(), cancelled).result, Result::Cancelled);
    EXPECT_TRUE(before.calls.empty());

    FakeState during;
    std::atomic<bool> flag{false};
    during.bookmarks = {{"Value1", ""}, {"Value2", ""}};
    during.cancelOnInsertOf = &flag;
    during.cancelBookmark = "Value1";
    const ExportOutcome outcome = run(during);
    EXPECT_EQ(outcome.result, Result::Cancelled);
    EXPECT_EQ(outcome.filled, std::vector<std::string>{"Value1"});
    EXPECT_EQ(during.bookmarks["Value2"], "");
    EXPECT_EQ(during.calls.back(), "insert Value1 1.0");
    EXPECT_EQ(during.sessionsOpen, 0);
}

TEST(ReportExport, tellsTheUserWhatHappened) {
    struct Case {
        Result result;
        std::string error;
        std::optional<std::string> line;
        std::optional<std::string> box;
    };
    const std::vector<Case> cases{
        {Result::Done, "", std::nullopt, std::nullopt},
        {Result::Cancelled, "", std::nullopt, std::nullopt},
        {Result::Unreachable, "refused",
         "No word processor reachable: start LibreOffice Writer with soffice --writer "
         "--accept=\"pipe,name=kesto-7;urp;\"",
         std::nullopt},
        {Result::NoDocument, "", std::nullopt, "No document is open in Writer."},
        {Result::NotTextDocument, "", std::nullopt, "The current document is not a text document."},
        {Result::ReadOnly, "", std::nullopt, "The document is read-only."},
        {Result::Error, "Bookmark locked", std::nullopt, "Bookmark locked"},
        {Result::Error, "", std::nullopt, "LibreOffice reported an error."},
    };
    for (const Case& c : cases) {
        ExportOutcome outcome;
        outcome.result = c.result;
        outcome.error = c.error;
        const ExportNotice notice = exportNotice(outcome, "kesto-7");
        EXPECT_EQ(notice.messageLine, c.line) << static_cast<int>(c.result);
        EXPECT_EQ(notice.errorBox, c.box) << static_cast<int>(c.result);
    }
}

TEST(ReportExport, pipeComesFromTheEnvironmentOrIsKesto) {
    EXPECT_EQ(unoPipeName(nullptr), "kesto");
    EXPECT_EQ(unoPipeName(""), "kesto");
    EXPECT_EQ(unoPipeName("kesto-test-12"), "kesto-test-12");
}

// Blocks in attach() until released, as a hung word processor does.
class BlockingProcessor final : public WordProcessor {
public:
    std::unique_ptr<WordProcessorSession> attach() override {
        entered.set_value(std::this_thread::get_id());
        release.get_future().wait();
        return std::make_unique<FakeSession>(state);
    }
    FakeState state;
    std::promise<std::thread::id> entered;
    std::promise<void> release;
};

TEST(ExportJob, runsOnItsOwnThreadAndAfterCancelTakesNoFurtherStep) {
    auto processor = std::make_shared<BlockingProcessor>();
    processor->state.bookmarks = {{"Value1", ""}};
    std::future<std::thread::id> entered = processor->entered.get_future();
    std::promise<ExportOutcome> done;
    std::future<ExportOutcome> outcome = done.get_future();
    int calls = 0;
    const auto job =
        ExportJob::start(processor, numberedValues(), [&done, &calls](const ExportOutcome& o) {
            ++calls;
            done.set_value(o);
        });

    EXPECT_NE(entered.get(), std::this_thread::get_id());
    EXPECT_TRUE(job->running());
    EXPECT_EQ(outcome.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    job->cancel();
    processor->release.set_value();

    ASSERT_EQ(outcome.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(outcome.get().result, Result::Cancelled);
    EXPECT_EQ(calls, 1);
    // The session handed back by the blocked call is released again; the document is untouched.
    EXPECT_TRUE(processor->state.calls.empty());
    EXPECT_EQ(processor->state.bookmarks["Value1"], "");
    for (int i = 0; i < 3000 && job->running(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(job->running());
    EXPECT_EQ(processor->state.sessionsOpen, 0);
}

} // namespace
} // namespace kesto::test
