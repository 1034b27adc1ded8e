// Protocol mode: how the simulated terminal answers, and which faults it shows.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

// Where the terminal drops the connection during one payment request (the
// dropPayment-th it reads; the others go through), so that a cash
// register's recovery can be tried at each point.
enum class TSimDrop {
    None,
    BeforeAck,          // closes instead of acknowledging the request: nothing charged
    AfterAck,           // closes after the acknowledgement: nothing charged
    AfterCharge,        // charges, then closes before the outcome
    AfterOutcome,       // charges, sends the outcome, closes before its acknowledgement
    SilentAfterCharge,  // charges, then never answers again on the connection
    DuringReceipt,      // charges, sends the outcome and one receipt block, closes
};

struct TSimBehaviour {
    using ms = std::chrono::milliseconds;

    // Status response.
    std::string termID = "SIM00001";   // 8 characters
    std::string status = "0";          // 1 character
    std::string swRelease = "SIM 1.0.0";
    // Date and time of the status response, 10 characters; empty: the clock's
    // day, month, year, hour and minute ("ddMMyyHHmm").
    std::string statusDateTime;

    // Payment outcome.
    char messageCode = 'E';            // 'E' or 'V'
    std::string result = "00";         // "00" approved, "01" refused, any other code
    std::string pan = "************0019"; // masked, padded to 19
    std::string tranType = "ICC";      // 3 characters
    std::string authCode = "A1B2C3";   // 6 characters
    // 7 characters; empty: the clock's day of the year, hour and minute ("DDDHHmm").
    std::string outcomeDateTime;
    std::string refusal = "CARD DECLINED";  // refused payments, padded to 24
    std::string cardType = "1";        // 1 character
    std::string acquirerID = "00000012345"; // 11 characters
    std::string onlineID = "000042";   // 6 characters
    // The first STAN; every payment answered takes the next one.
    unsigned stan = 1;

    std::size_t progressTexts = 2;     // SOH text EOT before the outcome
    // When the last print mode was 1 or 2; 0 sends no receipt at all.
    std::size_t receiptBlocks = 3;

    // Delays before the acknowledgement of a command, before a status response
    // or an outcome, before each progress text and before each receipt block.
    ms ackDelay{0};
    ms answerDelay{0};
    ms progressDelay{0};
    ms receiptDelay{0};

    // Faults.
    bool neverAck = false;             // commands are read but never acknowledged
    bool ackButNoAnswer = false;       // commands are acknowledged, nothing more
    // Instead of the n-th transmission of a connection (1-based: every
    // acknowledgement, progress text, response and receipt block counts), the
    // terminal closes (orderly) or resets the connection. 0: never.
    std::size_t closeAt = 0;
    std::size_t resetAt = 0;
    // Every frame goes out in two pieces, splitPause apart, cut in its middle.
    bool splitFrames = false;
    ms splitPause{50};
    // Written just before every frame (acknowledgements included).
    std::string garbage;

    // Hostile terminals.
    // After acknowledging a payment request: STX and bytes without end, never
    // an ETX, until the client closes.
    bool flood = false;
    // After the outcome's acknowledgement: the outcome again and again,
    // receiptDelay apart, instead of the receipt.
    bool repeatOutcome = false;
    // A payment's acknowledgement comes with its progress texts in one write,
    // and its outcome with every receipt block in one write.
    bool onePacket = false;
    // Receipt blocks of endlessBlockChars characters, none with the end mark.
    bool endlessReceipt = false;
    std::size_t endlessBlockChars = 32;
    // A payment request is not acknowledged, but charged: its outcome follows
    // the acknowledgement of the next command on the same connection.
    bool lateOutcome = false;
    TSimDrop drop = TSimDrop::None;
    std::size_t dropPayment = 1;
};

// Bytes that hold no control character of the link, for garbage.
inline const std::string simDefaultGarbage{'\xFF', '\x80', ' ', 'n', 'o', 'i', 's', 'e', ' ', '\0', '\x7F'};
