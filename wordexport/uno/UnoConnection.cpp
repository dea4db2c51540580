#include "wordexport/uno/UnoConnection.h"

#include "wordexport/ReportExport.h"

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/ConnectionSetupException.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/exc_hlp.hxx>
#include <rtl/bootstrap.hxx>

#include <cstdlib>
#include <mutex>
#include <regex>

namespace kesto::uno {
namespace {

using css::uno::Reference;
using css::uno::XComponentContext;
using rtl::OString;
using rtl::OUString;

// The local UNO runtime that the bridge to LibreOffice runs in, bootstrapped from the installed
// LibreOffice's own settings; never cppu::bootstrap(), which would start an office.
Reference<XComponentContext> localContext() {
    static std::mutex mutex;
    // Kept for the life of the process and never destroyed: the UNO libraries may already be
    // gone when static destructors run at exit.
    static Reference<XComponentContext>* context = nullptr;
    const std::lock_guard lock(mutex);
    if (context == nullptr) {
        if (std::getenv("URE_BOOTSTRAP") == nullptr) {
            rtl::Bootstrap::set("URE_BOOTSTRAP",
                                "vnd.sun.star.pathname:" KESTO_LIBREOFFICE_PROGRAM_DIR
                                "/fundamentalrc");
        }
        try {
            // A failure is not kept: LibreOffice may be installed by the next attempt.
            context =
                new Reference<XComponentContext>(cppu::defaultBootstrap_InitialComponentContext());
        } catch (const css::uno::Exception&) {
            throw WordProcessorUnreachable("The UNO runtime of LibreOffice could not be loaded: " +
                                           caughtExceptionText());
        }
    }
    return *context;
}

} // namespace

OUString toUno(const std::string& utf8) {
    return OUString(utf8.data(), static_cast<sal_Int32>(utf8.size()), RTL_TEXTENCODING_UTF8);
}

std::string fromUno(const OUString& text) {
    const OString utf8 = OUStringToOString(text, RTL_TEXTENCODING_UTF8);
    return std::string(utf8.getStr(), static_cast<std::size_t>(utf8.getLength()));
}

std::string withoutSourceLocation(const std::string& message) {
    static const std::regex location(R"( at \S+\.[ch]xx:\d+$)");
    std::smatch match;
    if (std::regex_search(message, match, location) && match.position(0) > 0) {
        return message.substr(0, static_cast<std::size_t>(match.position(0)));
    }
    return message;
}

std::string caughtExceptionText() {
    const css::uno::Any caught = cppu::getCaughtException();
    css::uno::Exception e;
    if ((caught >>= e) && !e.Message.isEmpty()) {
        return withoutSourceLocation(fromUno(e.Message));
    }
    return fromUno(caught.getValueTypeName());
}

Reference<XComponentContext> connectToOffice(const std::string& pipeName) {
    const Reference<XComponentContext> local = localContext();
    const OUString url = "uno:pipe,name=" + toUno(pipeName) + ";urp;StarOffice.ComponentContext";
    try {
        const Reference<css::bridge::XUnoUrlResolver> resolver =
            css::bridge::UnoUrlResolver::create(local);
        return Reference<XComponentContext>(resolver->resolve(url), css::uno::UNO_QUERY_THROW);
    } catch (const css::connection::NoConnectException&) {
        throw WordProcessorUnreachable(caughtExceptionText());
    } catch (const css::connection::ConnectionSetupException&) {
        throw WordProcessorUnreachable(caughtExceptionText());
    } catch (const css::uno::Exception&) {
        throw WordProcessorError(caughtExceptionText());
    }
}

} // namespace kesto::uno
