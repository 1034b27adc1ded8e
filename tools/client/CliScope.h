// What the client's callbacks reach while one ecr17 command runs.
//
// The progress and completion callbacks are plain procedures without a
// context, so the scope of the running command is found through one pointer
// that the scope itself sets for its lifetime and clears at its end.
#pragma once

#include "ECR17_TypesU.h"

#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>

class TCliScope {
public:
    // Aprogress receives the progress texts when Ashow is set.
    TCliScope(std::ostream& Aprogress, bool Ashow);
    ~TCliScope();
    TCliScope(const TCliScope&) = delete;
    TCliScope& operator=(const TCliScope&) = delete;

    // The scope of the command running now; raises std::logic_error when
    // there is none.
    static TCliScope& active();

    // The client's callbacks.
    static void ECR17_CALL onProgress(const char16_t* Atext);
    static void ECR17_CALL onCompletion(const char16_t* Ares, bool Atimeout);

    // Waits until the completion callback ran; its result and flag.
    void awaitCompletion(std::u16string& Ares, bool& Atimeout);

private:
    std::ostream& Fprogress;
    bool Fshow;
    std::mutex Flock;
    std::condition_variable Fdone;
    bool Fcalled = false;
    std::u16string Fres;
    bool Ftimeout = false;
};
