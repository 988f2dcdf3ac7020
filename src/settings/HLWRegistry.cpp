#include "HLWRegistry.h"

#include "Paths.h"
#include "Strings.h"

#include "QtText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QVariant>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <optional>

namespace pg {

namespace {

// Each value is stored as text with a tag that names its kind, the way a registry export
// writes them: "sz:" for a string, "dword:" and eight hexadecimal digits for an integer,
// "hex:" and sixteen hexadecimal digits (the bytes in order) for a float. An untagged text,
// as a hand-edited file may hold, is a string.
enum class TValueKind { String, Integer, Binary, Unreadable };

struct TStoredValue {
    TValueKind Kind = TValueKind::Unreadable;
    std::string Text;  // String
    int32_t Integer{}; // Integer
    std::string Bytes; // Binary
};

constexpr std::string_view StringTag = "sz:";
constexpr std::string_view IntegerTag = "dword:";
constexpr std::string_view BinaryTag = "hex:";
constexpr char SettingsSection[] = "SETTINGS";

// Settings texts are package text (Windows-1252 bytes); the file holds them as Unicode.
QString ToQ(std::string_view s) {
    return FromPackageText(s);
}

std::string FromQ(const QString& s) {
    return ToPackageText(s);
}

// File names are the system's own bytes.
QString FileNameToQ(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

std::optional<std::string> HexToBytes(std::string_view hex) {
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexDigitValue(hex[i]), lo = HexDigitValue(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes += static_cast<char>(hi * 16 + lo);
    }
    return bytes;
}

TStoredValue Decode(std::string_view text) {
    TStoredValue v;
    if (text.starts_with(IntegerTag)) {
        const std::string_view digits = text.substr(IntegerTag.size());
        const auto bytes = HexToBytes(digits);
        if (digits.size() == 8 && bytes) {
            uint32_t u = 0;
            for (unsigned char b : *bytes)
                u = (u << 8) | b;
            v.Kind = TValueKind::Integer;
            v.Integer = static_cast<int32_t>(u);
        }
        return v;
    }
    if (text.starts_with(BinaryTag)) {
        if (auto bytes = HexToBytes(text.substr(BinaryTag.size()))) {
            v.Kind = TValueKind::Binary;
            v.Bytes = std::move(*bytes);
        }
        return v;
    }
    v.Kind = TValueKind::String;
    v.Text = std::string(text.starts_with(StringTag) ? text.substr(StringTag.size()) : text);
    return v;
}

std::string EncodeInteger(int32_t value) {
    const auto u = static_cast<uint32_t>(value);
    std::string bytes;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((u >> shift) & 0xFF);
    return std::string(IntegerTag) + BytesToHex(bytes);
}

// The double's eight bytes, least significant first, as the registry holds them.
std::string EncodeFloat(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    std::string bytes;
    for (int i = 0; i < 8; ++i)
        bytes += static_cast<char>((bits >> (8 * i)) & 0xFF);
    return std::string(BinaryTag) + BytesToHex(bytes);
}

std::optional<double> BytesToFloat(std::string_view bytes) {
    if (bytes.size() != 8)
        return std::nullopt;
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | static_cast<unsigned char>(bytes[static_cast<size_t>(i)]);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// "\EMAIL-TO" -> "EMAIL-TO": the store's group path for a sub-key.
QString SubKeyGroup(const std::string& subKey) {
    std::string path = NativePath(subKey);
    while (!path.empty() && path.front() == '/')
        path.erase(0, 1);
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return ToQ(path);
}

// "\EMAIL-TO" and "3" -> "EMAIL-TO3": the INI key of a sub-key value in database mode.
std::string SubKeyIniName(const std::string& subKey, const std::string& name) {
    std::string key;
    for (char c : subKey)
        if (c != '\\')
            key += c;
    return key + name;
}

std::string DefaultSettingsDir() {
    const std::string redirected = GetEnv("PAGELLAN_SETTINGS_DIR");
    if (!redirected.empty())
        return redirected;
    return QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .toStdString();
}

std::string ExecutableFileName() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

} // namespace

// The INI file behind the store. QSettings keeps a parsed copy; it is re-read only when the
// file on disk has changed since this object last looked, which keeps a read to one stat call.
class THLWRegistry::TStore {
public:
    explicit TStore(const std::string& dir)
        : file_(IncludeSlash(NativePath(dir)) + "Harlowen/Doc Viewer.ini"),
          settings_(FileNameToQ(file_), QSettings::IniFormat) {
        Look();
    }

    const std::string& FileName() const { return file_; }

    std::optional<TStoredValue> Read(const QString& key) {
        Refresh();
        const QVariant v = settings_.value(key);
        if (!v.isValid())
            return std::nullopt;
        if (v.typeId() != QMetaType::QString)
            return TStoredValue{};
        return Decode(FromQ(v.toString()));
    }

    void Write(const QString& key, const std::string& encoded) {
        Refresh();
        settings_.setValue(key, ToQ(encoded));
        Flush();
    }

    bool Remove(const QString& key) {
        Refresh();
        if (!settings_.contains(key))
            return false;
        settings_.remove(key);
        Flush();
        return !settings_.contains(key);
    }

    void BeginBatch() { ++batchDepth_; }
    void EndBatch() {
        if (batchDepth_ > 0 && --batchDepth_ == 0)
            Flush();
    }

private:
    struct TFileState {
        bool Exists = false;
        dev_t Device{};
        ino_t Inode{};
        off_t Size{};
        timespec Modified{};
        timespec Changed{};
        bool operator==(const TFileState& o) const {
            return Exists == o.Exists && Device == o.Device && Inode == o.Inode && Size == o.Size &&
                   Modified.tv_sec == o.Modified.tv_sec && Modified.tv_nsec == o.Modified.tv_nsec &&
                   Changed.tv_sec == o.Changed.tv_sec && Changed.tv_nsec == o.Changed.tv_nsec;
        }
    };

    TFileState Current() const {
        TFileState s;
        struct stat st {};
        if (::stat(file_.c_str(), &st) != 0)
            return s;
        s.Exists = true;
        s.Device = st.st_dev;
        s.Inode = st.st_ino;
        s.Size = st.st_size;
        s.Modified = st.st_mtim;
        s.Changed = st.st_ctim;
        return s;
    }

    void Look() { seen_ = Current(); }

    // Writes pending changes to the file, unless a batch holds them back.
    void Flush() {
        if (batchDepth_ > 0)
            return;
        QDir().mkpath(QFileInfo(FileNameToQ(file_)).absolutePath());
        settings_.sync();
        Look();
    }

    void Refresh() {
        const TFileState now = Current();
        if (now == seen_)
            return;
        settings_.sync();
        seen_ = now;
    }

    std::string file_;
    QSettings settings_;
    TFileState seen_;
    int batchDepth_ = 0;
};

THLWRegistry::THLWRegistry() : THLWRegistry(DefaultSettingsDir()) {}

THLWRegistry::THLWRegistry(const std::string& settingsDir, const std::string& configFile)
    : store_(std::make_unique<TStore>(settingsDir)), configFile_(configFile),
      database_(std::make_unique<TSettingsDatabase>()) {}

THLWRegistry::~THLWRegistry() = default;

std::string THLWRegistry::SettingsFileName() const {
    return store_->FileName();
}

std::string THLWRegistry::ReadString(const std::string& name, const std::string& def) const {
    if (database_->DatabaseMode())
        return database_->SettingsList().ReadString(SettingsSection, name, def);
    if (name.empty())
        return def;
    const auto v = store_->Read(ToQ(name));
    return v && v->Kind == TValueKind::String ? v->Text : def;
}

void THLWRegistry::WriteString(const std::string& name, const std::string& value) {
    if (database_->DatabaseMode()) {
        database_->SettingsList().WriteString(SettingsSection, name, value);
        return;
    }
    if (!name.empty())
        store_->Write(ToQ(name), std::string(StringTag) + value);
}

int32_t THLWRegistry::ReadInteger(const std::string& name, int32_t def) const {
    if (database_->DatabaseMode())
        return database_->SettingsList().ReadInteger(SettingsSection, name, def);
    if (name.empty())
        return def;
    const auto v = store_->Read(ToQ(name));
    return v && v->Kind == TValueKind::Integer ? v->Integer : def;
}

void THLWRegistry::WriteInteger(const std::string& name, int32_t value) {
    if (database_->DatabaseMode()) {
        database_->SettingsList().WriteInteger(SettingsSection, name, value);
        return;
    }
    if (!name.empty())
        store_->Write(ToQ(name), EncodeInteger(value));
}

double THLWRegistry::ReadFloat(const std::string& name, double def) const {
    if (database_->DatabaseMode())
        return database_->SettingsList().ReadFloat(SettingsSection, name, def);
    if (name.empty())
        return def;
    const auto v = store_->Read(ToQ(name));
    if (!v || v->Kind != TValueKind::Binary)
        return def;
    return BytesToFloat(v->Bytes).value_or(def);
}

void THLWRegistry::WriteFloat(const std::string& name, double value) {
    if (database_->DatabaseMode()) {
        database_->SettingsList().WriteFloat(SettingsSection, name, value);
        return;
    }
    if (!name.empty())
        store_->Write(ToQ(name), EncodeFloat(value));
}

bool THLWRegistry::DeleteValue(const std::string& name) {
    return !name.empty() && store_->Remove(ToQ(name));
}

bool THLWRegistry::ValueExists(const std::string& name) const {
    if (database_->DatabaseMode())
        return database_->SettingsList().ValueExists(SettingsSection, name);
    return !name.empty() && store_->Read(ToQ(name)).has_value();
}

std::string THLWRegistry::ReadSubKeyString(const std::string& subKey, const std::string& name,
                                           const std::string& def) const {
    if (database_->DatabaseMode())
        return database_->SettingsList().ReadString(SettingsSection, SubKeyIniName(subKey, name), def);
    const QString group = SubKeyGroup(subKey);
    if (group.isEmpty() || name.empty())
        return def;
    const auto v = store_->Read(group + '/' + ToQ(name));
    return v && v->Kind == TValueKind::String ? v->Text : def;
}

void THLWRegistry::WriteSubKeyString(const std::string& subKey, const std::string& name,
                                     const std::string& value) {
    if (database_->DatabaseMode()) {
        database_->SettingsList().WriteString(SettingsSection, SubKeyIniName(subKey, name), value);
        return;
    }
    const QString group = SubKeyGroup(subKey);
    if (!group.isEmpty() && !name.empty())
        store_->Write(group + '/' + ToQ(name), std::string(StringTag) + value);
}

std::string THLWRegistry::ConfigFileName() const {
    if (!configFile_.empty())
        return configFile_;
    const std::string exe = ExecutableFileName();
    if (exe.empty())
        return "";
    return std::filesystem::path(exe).replace_extension(".CFG").string();
}

bool THLWRegistry::ConfigFileExists() const {
    return FileExists(ConfigFileName());
}

std::string THLWRegistry::ReadConfigString(const std::string& name, const std::string& def) const {
    if (!ConfigFileExists())
        return def;
    std::string text;
    std::string error;
    ReadFileBytes(NativePath(ConfigFileName()), text, error);
    TIniList ini;
    ini.AddText(text);
    return Trim(ini.ReadString(SettingsSection, name, def));
}

std::string THLWRegistry::DatabaseAddress() const {
    return ReadConfigString("Database IP Address", "0.0.0.0");
}

void THLWRegistry::StartDatabaseMode(bool debug, const std::string& pluginPath) {
    const bool configExists = ConfigFileExists();
    database_->StartUp(debug, configExists, configExists ? DatabaseAddress() : "", pluginPath);
}

void THLWRegistry::BeginUpdate() {
    store_->BeginBatch();
}

void THLWRegistry::EndUpdate() {
    store_->EndBatch();
}

TSettingsBatch::TSettingsBatch(THLWRegistry& registry) : registry_(registry) {
    registry_.BeginUpdate();
}

TSettingsBatch::TSettingsBatch() : TSettingsBatch(Registry()) {}

TSettingsBatch::~TSettingsBatch() {
    registry_.EndUpdate();
}

// ---- the process-wide store ----

static THLWRegistry*& Installed() {
    static THLWRegistry* installed = nullptr;
    return installed;
}

THLWRegistry& Registry() {
    if (THLWRegistry* r = Installed())
        return *r;
    static THLWRegistry processStore;
    return processStore;
}

THLWRegistry* SetRegistry(THLWRegistry* r) {
    THLWRegistry* previous = Installed();
    Installed() = r;
    return previous;
}

} // namespace pg
