// The settings file: the user may edit it by hand, so the reader takes any
// bytes; and whatever the program writes must read back equal.
//
// Every input is used twice:
// - as the file itself: it is loaded, saved, loaded again and saved again.
//   The second load must find a sound file and the two saved files must be
//   the same bytes (what was read is written so that it reads back equal);
// - as a list of changes (write a value, delete a section) with any bytes in
//   sections, keys and values: after saving and loading, every value reads
//   back as the last one written, section and key names matching without
//   regard to ASCII case, and every touched section lists the same pairs.

#include "fuzz/FuzzSupport.h"
#include "platform/FileOps.h"
#include "platform/SettingsFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <unistd.h>

using fuzzsupport::visible;
using platform::SettingsFile;

namespace {

const std::string& settingsPath()
{
    static const std::string path = fuzzsupport::scratchFolder() + "/settings.ini";
    return path;
}

std::string lowered(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string savedText(SettingsFile& store)
{
    const auto status = store.save();
    FUZZ_CHECK(status.ok(), status.error());
    auto bytes = platform::readFile(settingsPath());
    FUZZ_CHECK(bytes.ok(), bytes.error());
    return bytes.value();
}

// A broken file is moved aside on loading; the next input starts afresh.
void forgetSetAside(const SettingsFile& store)
{
    if (!store.setAsidePath().empty())
        ::unlink(store.setAsidePath().c_str());
}

void readWriteRead(const std::string& bytes)
{
    fuzzsupport::writeScratchFile("settings.ini", bytes);
    SettingsFile first(settingsPath());
    forgetSetAside(first);
    const std::string written = savedText(first);

    SettingsFile again(settingsPath());
    FUZZ_CHECK(again.setAsidePath().empty(), "what was written reads as broken: " + visible(written));
    FUZZ_CHECK(savedText(again) == written, "read back differently: " + visible(written));
}

struct Model {
    // section (lowered) -> key (lowered) -> value
    std::map<std::string, std::map<std::string, std::string>> values;
    // every section name used, as written
    std::map<std::string, std::string> names;
};

void applyChanges(FuzzedDataProvider& input, SettingsFile& store, Model& model)
{
    for (int change = 0; change < 16 && input.remaining_bytes() > 0; ++change) {
        const bool remove = input.ConsumeIntegralInRange<int>(0, 7) == 0;
        const std::string section = input.ConsumeRandomLengthString(40);
        model.names[lowered(section)] = section;
        if (remove) {
            const bool there = model.values.erase(lowered(section)) > 0;
            FUZZ_CHECK(store.deleteSection(section).ok() == there, visible(section));
            continue;
        }
        const std::string key = input.ConsumeRandomLengthString(40);
        const std::string value = input.ConsumeRandomLengthString(200);
        store.writeValue(section, key, value);
        model.values[lowered(section)][lowered(key)] = value;
    }
}

void writeReadBack(FuzzedDataProvider& input)
{
    ::unlink(settingsPath().c_str());
    SettingsFile store(settingsPath());
    Model model;
    applyChanges(input, store, model);
    const std::string written = savedText(store);

    SettingsFile again(settingsPath());
    FUZZ_CHECK(again.setAsidePath().empty(), "what was written reads as broken: " + visible(written));
    for (const auto& [section, keys] : model.values) {
        for (const auto& [key, value] : keys) {
            const std::string read = again.readValue(model.names[section], key, "\x01missing");
            FUZZ_CHECK(read == value,
                visible(section) + "/" + visible(key) + " wrote " + visible(value) + ", read " + visible(read)
                    + " from " + visible(written));
        }
    }
    for (const auto& [section, name] : model.names)
        FUZZ_CHECK(
            again.listSection(name) == store.listSection(name), visible(name) + " in " + visible(written));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    readWriteRead(std::string(reinterpret_cast<const char*>(data), size));
    FuzzedDataProvider input(data, size);
    writeReadBack(input);
    return 0;
}
