/* TickwellFeed.dll: hands quote lines from a trading terminal to a running Tickwell.
 *
 * A quote line is "symbol;bid;ask;last;time;volume", the time in whole seconds since
 * 1970-01-01 00:00:00 UTC, optionally followed by ";high;low", the day's high and low of the bid. Text is taken as UTF-16 (the strings MetaTrader 5 passes to a DLL)
 * and handed to Tickwell in the system's ANSI code page, at most 255 characters a line.
 *
 * Use: TwfOpen once, TwfSetTerminal to name the terminal when several run on one computer, then
 * TwfSendQuote (or TwfSendLine) for each price change, TwfClose at the end. Call them all from
 * one thread; a call from another thread moves the feed to that thread. Calls are serialised by
 * a lock, so concurrent calls cannot corrupt the feed, but the feed is meant for one thread (in
 * MetaTrader, the expert's).
 *
 * No call waits long: finding Tickwell broadcasts one message to the top-level windows (each
 * window is given at most 200 ms, and none if it is hung); handing over a line, or the
 * terminal's label, waits at most 1000 ms (SendMessageTimeout with SMTO_ABORTIFHUNG); a label
 * Tickwell does not take holds the line back. TwfOpen waits as long as it is told.
 *
 * Calling convention: on x64 there is only one, the one MetaTrader 5's #import uses. On 32-bit
 * Windows the functions are __stdcall. Either way they are exported under their plain names
 * (TwfOpen, TwfSetTerminal, TwfSendQuote, TwfSendQuoteEx, TwfSendLine, TwfClose), so that
 *   #import "TickwellFeed.dll"
 *   int TwfOpen(int timeout_ms);
 *   int TwfSetTerminal(string label);
 *   int TwfSendQuote(string symbol, string bid, string ask, string last, string time,
 *                    string volume);
 *   int TwfSendQuoteEx(string symbol, string bid, string ask, string last, string time,
 *                      string volume, string high, string low);
 *   int TwfSendLine(string line);
 *   int TwfClose(void);
 *   #import
 * finds them. GetProcAddress(module, "TwfSendQuote") does too.
 */
#ifndef TICKWELL_FEED_H
#define TICKWELL_FEED_H

#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TWF_CALL __stdcall

/* Return codes. */
#define TWF_OK 0               /* done */
#define TWF_NOT_OPEN 1         /* TwfSendQuote, TwfSendLine or TwfSetTerminal before TwfOpen \
                                  or after TwfClose; TwfClose when not open */
#define TWF_NO_RECEIVER 2      /* no Tickwell answered (is it running?); nothing was sent */
#define TWF_TOO_LONG 3         /* the line has more than 255 characters in the ANSI code page; \
                                  refused, nothing was sent (lines are never cut) */
#define TWF_BAD_TEXT 4         /* a character has no exact form in the ANSI code page, or the \
                                  text is not valid UTF-16; nothing was sent */
#define TWF_TIMED_OUT 5        /* Tickwell did not take the line within 1000 ms, or is hung; \
                                  the line may still arrive late, or not at all */
#define TWF_BAD_ARGUMENT 6     /* a null pointer, an empty field or a field holding ";" (the \
                                  fields would shift), or a time-out outside 0..60000 */
#define TWF_SYSTEM_ERROR 7     /* the feed's window could not be made, or memory ran out */

/* Opens the feed and looks for Tickwell with the silent handshake, repeating the broadcast until
 * one answers or timeout_ms (0 to 60000) has passed; 0 broadcasts once.
 * TWF_OK: found. TWF_NO_RECEIVER: none answered; the feed is open all the same and each send
 * looks again, so Tickwell may be started later. Calling it again while open looks anew (and
 * names the terminal again, see TwfSetTerminal).
 * Also TWF_BAD_ARGUMENT, TWF_SYSTEM_ERROR (then not open). */
int TWF_CALL TwfOpen(int timeout_ms);

/* Names the terminal this feed speaks for, so that Tickwell serves its quotes apart from other
 * terminals' (under its services MT5_<label> and MT4_<label>). The label is made safe: letters
 * A-Z and a-z, digits and "_" stay, every other character becomes "_", and it is cut to 64
 * characters. An empty label, like never calling this, makes the feed the default terminal
 * (services MT5 and MT4). It applies to the open feed at once, when a Tickwell is connected, and
 * is handed over again after every reconnection, before any line; TwfClose forgets it.
 * A Tickwell that does not know terminals ignores the label and takes the lines as ever.
 * TWF_OK: set (and taken by the connected Tickwell, if any). TWF_TIMED_OUT: set, but the
 * connected Tickwell did not take it within 1000 ms; it is handed over again before the next
 * line. Also TWF_BAD_ARGUMENT (a null pointer), TWF_NOT_OPEN, TWF_SYSTEM_ERROR. */
int TWF_CALL TwfSetTerminal(const wchar_t* label);

/* Sends one quote line made of the six fields joined with ";". Each field must be non-empty and
 * hold no ";". When the Tickwell found before has gone (closed or restarted), one broadcast looks
 * for it again before the line is given up.
 * Checked in this order: TWF_BAD_ARGUMENT, TWF_BAD_TEXT, TWF_TOO_LONG, TWF_NOT_OPEN; then
 * TWF_OK, TWF_NO_RECEIVER, TWF_TIMED_OUT; TWF_SYSTEM_ERROR. */
int TWF_CALL TwfSendQuote(const wchar_t* symbol, const wchar_t* bid, const wchar_t* ask,
                          const wchar_t* last, const wchar_t* time, const wchar_t* volume);

/* TwfSendQuote with the day's high and low of the bid as two more fields after the volume
 * ("symbol;bid;ask;last;time;volume;high;low"). high and low are given both or neither: both
 * null or empty sends the six fields of TwfSendQuote; one without the other is
 * TWF_BAD_ARGUMENT. The same codes as TwfSendQuote otherwise. */
int TWF_CALL TwfSendQuoteEx(const wchar_t* symbol, const wchar_t* bid, const wchar_t* ask,
                            const wchar_t* last, const wchar_t* time, const wchar_t* volume,
                            const wchar_t* high, const wchar_t* low);

/* Sends one line as it is (it may be empty). The same codes as TwfSendQuote; TWF_BAD_ARGUMENT
 * only for a null pointer. */
int TWF_CALL TwfSendLine(const wchar_t* line);

/* Closes the feed. TWF_OK, or TWF_NOT_OPEN when it was not open. */
int TWF_CALL TwfClose(void);

#ifdef __cplusplus
}
#endif

#endif /* TICKWELL_FEED_H */
