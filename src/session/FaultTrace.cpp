#include "session/FaultTrace.h"

#include <cstdlib>
#include <memory>
#include <typeinfo>

#if defined(__GNUG__)
#include <cxxabi.h>
#endif

namespace {
std::string readableName(const std::type_info& type)
{
#if defined(__GNUG__)
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    if (status == 0 && name)
        return name.get();
#endif
    return type.name();
}
} // namespace

void FaultTrace::noteCurrent(const char* where)
{
    try {
        throw;
    } catch (const std::exception& e) {
        note(where, readableName(typeid(e)), QString::fromLocal8Bit(e.what()));
    } catch (...) {
        note(where, "unknown exception", QString());
    }
}

void FaultTrace::note(const char* where, const std::string& kind, const QString& what)
{
    const std::string key = std::string(where) + '\n' + kind;
    if (!m_seen.insert(key).second || !m_out)
        return;
    ++m_written;
    std::fprintf(m_out, "skyvane: %s: %s%s%s (shown once)\n", where, kind.c_str(),
                 what.isEmpty() ? "" : ": ", what.toLocal8Bit().constData());
    std::fflush(m_out);
}
