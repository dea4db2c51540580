#include "config/RegistryStore.h"

#include "acquisition/LiveValues.h"
#include "platform/PosixFiles.h"

#include <algorithm>
#include <cstdlib>

namespace kesto {

std::string RegistryStore::readString(std::string_view section, std::string_view name,
                                      const std::string& fallback) const {
    const auto v = value(section, name);
    if (!v) {
        return fallback;
    }
    switch (v->type) {
    case RegistryValueType::String:
        return v->text;
    case RegistryValueType::Dword:
        // A number where a text belongs (set by hand or by another tool) reads as its digits,
        // as the registry editor shows it.
        return std::to_string(v->number);
    case RegistryValueType::Other:
        break;
    }
    return fallback;
}

int RegistryStore::readInteger(std::string_view section, std::string_view name,
                               int fallback) const {
    const auto v = value(section, name);
    if (!v) {
        return fallback;
    }
    switch (v->type) {
    case RegistryValueType::Dword:
        return static_cast<int>(static_cast<std::int32_t>(v->number));
    case RegistryValueType::String:
        return wholeNumber(v->text).value_or(fallback);
    case RegistryValueType::Other:
        break;
    }
    return fallback;
}

bool RegistryStore::readBoolean(std::string_view section, std::string_view name,
                                bool fallback) const {
    return readInteger(section, name, fallback ? 1 : 0) != 0;
}

void RegistryStore::writeString(std::string_view section, std::string_view name,
                                const std::string& text) {
    setValue(section, name, RegistryValue::string(text));
}

void RegistryStore::writeInteger(std::string_view section, std::string_view name, int number) {
    const auto existing = value(section, name);
    if (existing && existing->type == RegistryValueType::String) {
        setValue(section, name, RegistryValue::string(std::to_string(number)));
    } else {
        setValue(section, name, RegistryValue::dword(static_cast<std::uint32_t>(number)));
    }
}

void RegistryStore::writeBoolean(std::string_view section, std::string_view name, bool flag) {
    writeString(section, name, flag ? "1" : "0");
}

std::vector<std::string> RegistryStore::takeMessages() {
    std::vector<std::string> taken;
    taken.swap(messages_);
    return taken;
}

void RegistryStore::addMessage(std::string message) {
    // Every operation opens the store anew; one problem is told once.
    if (std::find(messages_.begin(), messages_.end(), message) == messages_.end()) {
        messages_.push_back(std::move(message));
    }
}

StoreSession::~StoreSession() {
    if (open_) {
        store_.discard();
    }
}

void StoreSession::commit() {
    open_ = false;
    store_.close();
}

std::optional<RegistryValue> MemoryRegistryStore::value(std::string_view section,
                                                        std::string_view name) const {
    const RegistryValue* v = working_.find(section, name);
    return v ? std::optional<RegistryValue>(*v) : std::nullopt;
}

void MemoryRegistryStore::setValue(std::string_view section, std::string_view name,
                                   const RegistryValue& value) {
    working_.set(section, name, value);
}

void RegistryFileStore::open() {
    document_ = RegistryDocument{};
    changed_ = false;
    blocked_ = false;

    std::string reason;
    const posix::FileContents contents = posix::readWholeFile(path_);
    switch (contents.status) {
    case posix::FileContents::Status::Missing:
        return;
    case posix::FileContents::Status::Failed:
        reason = contents.error;
        break;
    case posix::FileContents::Status::Read: {
        auto parsed = RegistryDocument::parse(contents.bytes);
        if (parsed.document) {
            document_ = std::move(*parsed.document);
            return;
        }
        reason = parsed.error;
        break;
    }
    }

    // Keep the unreadable file for the user and go on with the defaults.
    const std::string aside = path_ + ".bad";
    if (const auto error = posix::renameFile(path_, aside)) {
        blocked_ = true;
        addMessage("The settings file " + path_ + " could not be read (" + reason +
                   ") and could not be renamed (" + *error +
                   "). The default settings are used; the file is left as it is and the "
                   "settings are not saved.");
    } else {
        addMessage("The settings file " + path_ + " could not be read (" + reason +
                   "). It was kept as " + aside + " and the default settings are used.");
    }
}

void RegistryFileStore::close() {
    if (!changed_) {
        return;
    }
    if (blocked_) {
        throw SettingsError("The settings were not saved: the file " + path_ +
                            " could not be read and is not overwritten.");
    }
    if (const auto error = posix::writeFileAtomically(path_, document_.serialize())) {
        throw SettingsError("The settings could not be saved to " + *error + ".");
    }
    changed_ = false;
}

void RegistryFileStore::discard() {
    document_ = RegistryDocument{};
    changed_ = false;
}

std::optional<RegistryValue> RegistryFileStore::value(std::string_view section,
                                                      std::string_view name) const {
    const RegistryValue* v = document_.find(section, name);
    return v ? std::optional<RegistryValue>(*v) : std::nullopt;
}

void RegistryFileStore::setValue(std::string_view section, std::string_view name,
                                 const RegistryValue& value) {
    changed_ = document_.set(section, name, value) || changed_;
}

std::string defaultRegistryFilePath() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        base = posix::homeDirectory() + "/.config";
    }
    return base + "/Pellum/KESTO22.reg";
}

} // namespace kesto
