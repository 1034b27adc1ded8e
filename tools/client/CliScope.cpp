#include "CliScope.h"

#include "TextConvert.h"

#include <atomic>
#include <stdexcept>

using namespace ecr17::detail;

namespace {

std::atomic<TCliScope*> current{nullptr};

} // namespace

TCliScope::TCliScope(std::ostream& Aprogress, bool Ashow) : Fprogress(Aprogress), Fshow(Ashow)
{
    current.store(this);
}

TCliScope::~TCliScope()
{
    current.store(nullptr);
}

TCliScope& TCliScope::active()
{
    TCliScope* scope = current.load();
    if (!scope)
        throw std::logic_error("no ecr17 command is running");
    return *scope;
}

void TCliScope::onProgress(const char16_t* Atext)
{
    TCliScope* scope = current.load();
    if (scope && scope->Fshow)
        scope->Fprogress << textToUtf8(Atext) << std::endl;
}

void TCliScope::onCompletion(const char16_t* Ares, bool Atimeout)
{
    TCliScope* scope = current.load();
    if (!scope)
        return;
    const std::lock_guard guard(scope->Flock);
    scope->Fres = Ares;
    scope->Ftimeout = Atimeout;
    scope->Fcalled = true;
    scope->Fdone.notify_all();
}

void TCliScope::awaitCompletion(std::u16string& Ares, bool& Atimeout)
{
    std::unique_lock guard(Flock);
    Fdone.wait(guard, [this] { return Fcalled; });
    Ares = Fres;
    Atimeout = Ftimeout;
}
