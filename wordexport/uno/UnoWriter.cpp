#include "wordexport/uno/UnoWriter.h"

#include "wordexport/uno/UnoConnection.h"

#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XBookmarksSupplier.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include <utility>

namespace kesto {
namespace {

using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

// Runs UNO calls and turns a UNO exception into the export's error with LibreOffice's text.
template <class Calls> auto unoCalls(Calls&& calls) -> decltype(calls()) {
    try {
        return calls();
    } catch (const css::uno::Exception&) {
        throw WordProcessorError(uno::caughtExceptionText());
    }
}

class UnoDocument final : public ReportDocument {
public:
    explicit UnoDocument(Reference<css::frame::XModel> model) : model_(std::move(model)) {}

    bool isTextDocument() override {
        return unoCalls([&] {
            return Reference<css::text::XTextDocument>(model_, UNO_QUERY).is() &&
                   Reference<css::text::XBookmarksSupplier>(model_, UNO_QUERY).is();
        });
    }

    bool isReadOnly() override {
        return unoCalls([&] {
            const Reference<css::frame::XStorable> storable(model_, UNO_QUERY);
            return storable.is() && storable->isReadonly();
        });
    }

    bool hasBookmark(const std::string& name) override {
        return unoCalls([&] { return bookmarks()->hasByName(uno::toUno(name)); });
    }

    void insertAfterBookmark(const std::string& name, const std::string& text) override {
        writeAtBookmark(name, text, false);
    }

    void replaceBookmarkText(const std::string& name, const std::string& text) override {
        writeAtBookmark(name, text, true);
    }

private:
    // Puts the text behind the bookmark's range, or in its place, and makes the bookmark span
    // its old range and the text (only the text when replacing).
    void writeAtBookmark(const std::string& name, const std::string& text, bool replace) {
        unoCalls([&] {
            const OUString markName = uno::toUno(name);
            const Reference<css::text::XTextContent> mark(bookmarks()->getByName(markName),
                                                          UNO_QUERY_THROW);
            const Reference<css::text::XTextRange> anchor = mark->getAnchor();
            const Reference<css::text::XText> body = anchor->getText();
            Reference<css::text::XTextCursor> span;
            if (replace) {
                // The cursor selects the new text once it has replaced the old.
                span = body->createTextCursorByRange(anchor);
                span->setString(uno::toUno(text));
            } else {
                // The cursor stands at the end of the bookmark and moves on behind the text.
                const Reference<css::text::XTextCursor> end =
                    body->createTextCursorByRange(anchor->getEnd());
                body->insertString(end.get(), uno::toUno(text), false);
                span = body->createTextCursorByRange(anchor->getStart());
                span->gotoRange(end->getEnd(), true);
            }

            // The bookmark does not grow by itself: a next insertion at its end would land in
            // front of this one. A new bookmark over the range takes its place; it is put in
            // under a free name first, so that a failure on the way never leaves the document
            // without the bookmark.
            const Reference<css::lang::XMultiServiceFactory> factory(model_, UNO_QUERY_THROW);
            const Reference<css::text::XTextContent> grown(
                factory->createInstance("com.sun.star.text.Bookmark"), UNO_QUERY_THROW);
            const Reference<css::container::XNamed> grownName(grown, UNO_QUERY_THROW);
            grownName->setName(freeName(markName));
            // For a bookmark, "absorb" keeps the text and makes the bookmark span the range.
            body->insertTextContent(span.get(), grown, true);
            // Replacing a bookmark's whole range may have taken the bookmark with it.
            if (bookmarks()->hasByName(markName)) {
                body->removeTextContent(mark);
            }
            grownName->setName(markName);
        });
    }

    // The bookmark collection, fetched anew for every use.
    Reference<css::container::XNameAccess> bookmarks() {
        const Reference<css::text::XBookmarksSupplier> supplier(model_, UNO_QUERY_THROW);
        return supplier->getBookmarks();
    }

    OUString freeName(const OUString& base) {
        const Reference<css::container::XNameAccess> all = bookmarks();
        for (int n = 1;; ++n) {
            const OUString candidate = base + "_kesto" + OUString::number(n);
            if (!all->hasByName(candidate)) {
                return candidate;
            }
        }
    }

    Reference<css::frame::XModel> model_;
};

class UnoSession final : public WordProcessorSession {
public:
    explicit UnoSession(Reference<css::frame::XDesktop2> desktop) : desktop_(std::move(desktop)) {}

    std::unique_ptr<ReportDocument> currentDocument() override {
        return unoCalls([&]() -> std::unique_ptr<ReportDocument> {
            // The start centre and other views without a document give no model.
            Reference<css::frame::XModel> model(desktop_->getCurrentComponent(), UNO_QUERY);
            if (!model.is()) {
                return nullptr;
            }
            return std::make_unique<UnoDocument>(std::move(model));
        });
    }

private:
    // Releasing the last reference into LibreOffice closes the connection.
    Reference<css::frame::XDesktop2> desktop_;
};

class UnoWriter final : public WordProcessor {
public:
    explicit UnoWriter(std::string pipeName) : pipeName_(std::move(pipeName)) {}

    std::unique_ptr<WordProcessorSession> attach() override {
        const Reference<css::uno::XComponentContext> office = uno::connectToOffice(pipeName_);
        return unoCalls(
            [&] { return std::make_unique<UnoSession>(css::frame::Desktop::create(office)); });
    }

private:
    std::string pipeName_;
};

} // namespace

std::shared_ptr<WordProcessor> makeUnoWriter(std::string pipeName) {
    return std::make_shared<UnoWriter>(std::move(pipeName));
}

} // namespace kesto
