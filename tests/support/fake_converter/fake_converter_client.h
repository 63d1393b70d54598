// Reaches the test converter's controls: the test opens the same file that the
// program loads, so both see one instance.
#pragma once

#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace orvalin::testing {

class FakeConverter {
  public:
    explicit FakeConverter(const std::filesystem::path& file) {
        handle_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) throw std::runtime_error(std::string("dlopen: ") + ::dlerror());
        set_answer_ = reinterpret_cast<void (*)(const char*)>(sym("fake_converter_set_answer"));
        reset_ = reinterpret_cast<void (*)()>(sym("fake_converter_reset"));
        last_ = reinterpret_cast<std::size_t (*)(char*, std::size_t)>(
            sym("fake_converter_last_request"));
        calls_ = reinterpret_cast<int (*)()>(sym("fake_converter_calls"));
        reset_();
    }
    ~FakeConverter() {
        reset_();
        ::dlclose(handle_);
    }
    FakeConverter(const FakeConverter&) = delete;
    FakeConverter& operator=(const FakeConverter&) = delete;

    void set_answer(const char* answer) { set_answer_(answer); }
    std::string last_request() const {
        std::string s(last_(nullptr, 0) + 1, '\0');
        s.resize(last_(s.data(), s.size()));
        return s;
    }
    int calls() const { return calls_(); }

  private:
    void* sym(const char* name) {
        void* s = ::dlsym(handle_, name);
        if (!s) throw std::runtime_error(std::string("dlsym: ") + name);
        return s;
    }
    void* handle_ = nullptr;
    void (*set_answer_)(const char*) = nullptr;
    void (*reset_)() = nullptr;
    std::size_t (*last_)(char*, std::size_t) = nullptr;
    int (*calls_)() = nullptr;
};

}  // namespace orvalin::testing
