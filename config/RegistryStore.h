#pragma once

#include "config/RegistryDocument.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// A failure to write the settings; its text is meant for the user.
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The per-user settings store: one key with one subkey ("section") per group of values, holding
// texts (REG_SZ) and 32-bit numbers (REG_DWORD). Every settings operation opens the store, does
// its work and closes it again (see StoreSession); no state is kept open in between.
//
// The typed rules live here, the same for every backend:
// - string: the text. A number (REG_DWORD) where a text is expected reads as its decimal text;
//   a value of any other type counts as missing.
// - integer: a REG_DWORD (taken as a signed 32-bit number), or a text holding a whole number in
//   decimal; any other text, or any other type, gives the default. Written as REG_DWORD, except
//   that a value of that name which already is a text receives the decimal text instead.
// - boolean: written as the text "1" or "0"; read as an integer with the default 1 or 0, and
//   true when that integer is not 0.
// A missing section or value gives the default; reading never creates a section, writing a
// value creates its section.
class RegistryStore {
public:
    virtual ~RegistryStore() = default;

    // Opens the store for one operation. Problems that do not stop the operation (a settings
    // file that could not be read and was set aside) are collected as messages.
    virtual void open() = 0;
    // Closes the store, keeping what was written. Throws SettingsError when that fails; nothing
    // is half-written then.
    virtual void close() = 0;
    // Closes the store, dropping what was written since it was opened.
    virtual void discard() = 0;

    // The value as stored, or nullopt. Names ignore letter case.
    virtual std::optional<RegistryValue> value(std::string_view section,
                                               std::string_view name) const = 0;
    virtual void setValue(std::string_view section, std::string_view name,
                          const RegistryValue& value) = 0;

    std::string readString(std::string_view section, std::string_view name,
                           const std::string& fallback) const;
    int readInteger(std::string_view section, std::string_view name, int fallback) const;
    bool readBoolean(std::string_view section, std::string_view name, bool fallback) const;
    void writeString(std::string_view section, std::string_view name, const std::string& text);
    void writeInteger(std::string_view section, std::string_view name, int number);
    void writeBoolean(std::string_view section, std::string_view name, bool flag);

    // The messages collected since the last call, for the user; they are returned once.
    std::vector<std::string> takeMessages();

protected:
    void addMessage(std::string message);

private:
    std::vector<std::string> messages_;
};

// One operation on a store: opens it on construction; commit() closes it, keeping the writes
// (and throws SettingsError when they cannot be kept); leaving the scope without commit(), as
// when an exception passes, drops them.
class StoreSession {
public:
    explicit StoreSession(RegistryStore& store) : store_(store) { store_.open(); }
    ~StoreSession();
    StoreSession(const StoreSession&) = delete;
    StoreSession& operator=(const StoreSession&) = delete;

    void commit();

private:
    RegistryStore& store_;
    bool open_ = true;
};

// A store in memory, for tests and for a run that must not touch the user's settings.
class MemoryRegistryStore : public RegistryStore {
public:
    MemoryRegistryStore() = default;
    explicit MemoryRegistryStore(RegistryDocument document) : saved_(std::move(document)) {}

    void open() override { working_ = saved_; }
    void close() override { saved_ = working_; }
    void discard() override { working_ = saved_; }
    std::optional<RegistryValue> value(std::string_view section,
                                       std::string_view name) const override;
    void setValue(std::string_view section, std::string_view name,
                  const RegistryValue& value) override;

    const RegistryDocument& document() const { return saved_; }

private:
    RegistryDocument saved_;
    RegistryDocument working_;
};

// The settings as a registry file in REGEDIT4 form (see RegistryDocument), which imports into a
// Windows registry as it stands. Opening reads the file; closing writes it back only when a
// value changed, atomically (a temporary file beside it, flushed, renamed over it).
//
// A file that exists but cannot be read as a registry file is never overwritten: it is renamed
// to "<file>.bad" (replacing an older one), a message says so, and the defaults are used. When
// even the renaming fails, the file stays as it is and closing refuses to write over it.
class RegistryFileStore : public RegistryStore {
public:
    explicit RegistryFileStore(std::string path) : path_(std::move(path)) {}

    void open() override;
    void close() override;
    void discard() override;
    std::optional<RegistryValue> value(std::string_view section,
                                       std::string_view name) const override;
    void setValue(std::string_view section, std::string_view name,
                  const RegistryValue& value) override;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    RegistryDocument document_;
    bool changed_ = false;
    bool blocked_ = false; // an unreadable file is in the way and could not be set aside
};

// "$XDG_CONFIG_HOME/Pellum/KESTO22.reg", with XDG_CONFIG_HOME defaulting to "~/.config" (and
// ignored unless it is an absolute path, as the base-directory rules say).
std::string defaultRegistryFilePath();

} // namespace kesto
