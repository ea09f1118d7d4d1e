#pragma once
// An in-memory registry that records every call, checks the rights a key is opened
// with, and behaves like RegQueryValueExA at its buffer boundary.

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "run/registry_api.h"

namespace tindrel::testing {

class FakeRegistry final : public RegistryApi {
public:
    static constexpr RegistryStatus kNotFound = 2;
    static constexpr RegistryStatus kAccessDenied = 5;
    static constexpr RegistryStatus kMoreData = 234;
    static constexpr std::uint32_t kWriteRights = 0x2 | 0x4 | 0x20;  // set value, create sub key, create link

    struct Value {
        std::uint32_t Type;
        std::string Bytes;
    };

    void SetValue(const std::string& key, const std::string& name, std::uint32_t type, std::string bytes) {
        keys_[key].Values[name] = Value{type, std::move(bytes)};
    }
    void SetString(const std::string& key, const std::string& name, const std::string& text) {
        SetValue(key, name, kRegSz, text + std::string(1, '\0'));
    }
    void SetDword(const std::string& key, const std::string& name, std::uint32_t value) {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        SetValue(key, name, kRegDword, bytes);
    }
    void AddKey(const std::string& key) { keys_[key]; }
    void MakeReadOnly(const std::string& key) { keys_[key].ReadOnly = true; }

    RegistryStatus OpenKey(RegistryKey root, const std::string& path, std::uint32_t options,
                           std::uint32_t access, RegistryKey& key) override {
        Calls.push_back("open " + path);
        LastOpenOptions = options;
        LastOpenAccess = access;
        key = 0;
        const auto found = keys_.find(path);
        if (root != kHkeyCurrentUser || found == keys_.end()) return kNotFound;
        if (found->second.ReadOnly && (access & kWriteRights)) return kAccessDenied;
        key = nextHandle_++;
        openKeys_[key] = path;
        return 0;
    }

    RegistryStatus QueryValue(RegistryKey key, const std::string& name, std::uint32_t& type,
                              std::uint8_t* data, std::uint32_t& size) override {
        Calls.push_back("query " + name);
        LastQueryCapacity = size;
        BufferWasZeroed = std::all_of(data, data + size, [](std::uint8_t b) { return b == 0; });
        const auto& values = keys_.at(openKeys_.at(key)).Values;
        const auto found = values.find(name);
        if (found == values.end()) return kNotFound;
        const Value& value = found->second;
        type = value.Type;
        const auto needed = static_cast<std::uint32_t>(value.Bytes.size());
        if (needed > size) {
            size = needed;
            return kMoreData;
        }
        std::memcpy(data, value.Bytes.data(), needed);
        size = needed;
        return 0;
    }

    void CloseKey(RegistryKey key) override {
        Calls.push_back("close");
        openKeys_.erase(key);
    }

    // A multi-byte code page, like 936: UTF-8 stands in for it (characters below U+10000).
    std::string TextToAnsi(std::wstring_view text) const override {
        std::string bytes;
        for (wchar_t wc : text) {
            const auto c = static_cast<std::uint32_t>(wc);
            if (c < 0x80) {
                bytes += static_cast<char>(c);
            } else if (c < 0x800) {
                bytes += static_cast<char>(0xC0 | (c >> 6));
                bytes += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                bytes += static_cast<char>(0xE0 | (c >> 12));
                bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                bytes += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        return bytes;
    }
    std::wstring AnsiToText(std::string_view bytes) const override {
        std::wstring text;
        for (std::size_t i = 0; i < bytes.size();) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            const std::size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : 3;
            std::uint32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : (b & 0x0F);
            for (std::size_t k = 1; k < length && i + k < bytes.size(); ++k) {
                c = (c << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
            }
            text += static_cast<wchar_t>(c);
            i += length;
        }
        return text;
    }

    std::size_t OpenKeyCount() const { return openKeys_.size(); }

    std::vector<std::string> Calls;
    std::uint32_t LastOpenOptions = 0;
    std::uint32_t LastOpenAccess = 0;
    std::uint32_t LastQueryCapacity = 0;
    bool BufferWasZeroed = false;

private:
    struct Key {
        std::map<std::string, Value> Values;
        bool ReadOnly = false;
    };
    std::map<std::string, Key> keys_;
    std::map<RegistryKey, std::string> openKeys_;
    RegistryKey nextHandle_ = 0x1000;
};

}  // namespace tindrel::testing
