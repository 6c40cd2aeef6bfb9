// A function of a system DLL, looked up by name the first time it is called.
#pragma once

#include <string>

#include "platform/RuntimeError.h"
#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {

template <class Signature>
class BoundFunction;

template <class Result, class... Args>
class BoundFunction<Result WINAPI(Args...)> {
public:
    using Pointer = Result(WINAPI*)(Args...);

    BoundFunction(const char* library, const char* name) : library_(library), name_(name) {}

    Result operator()(Args... args) { return Resolve()(args...); }

    Pointer Resolve() {
        if (!function_) {
            HMODULE module = LoadLibraryA(library_);
            FARPROC address = module ? GetProcAddress(module, name_) : nullptr;
            if (!address)
                throw RuntimeError(std::string("Can't find DLL entry point ") + name_ + " in " + library_);
            function_ = reinterpret_cast<Pointer>(reinterpret_cast<void*>(address));
        }
        return function_;
    }

private:
    const char* library_;
    const char* name_;
    Pointer function_ = nullptr;
};

}  // namespace vedodud::win32
