//+------------------------------------------------------------------+
//| TickwellFeed.mq5                                                  |
//| Sends one quote line per price change to Tickwell, which hands   |
//| the quotes on to spreadsheets through DDE.                        |
//|                                                                   |
//| Set-up:                                                           |
//|  1. Copy TickwellFeed.dll into the terminal's MQL5\Libraries      |
//|     folder and this file into MQL5\Experts.                       |
//|  2. Open this file in MetaEditor and compile it (F7).             |
//|  3. Attach the expert to any chart, tick "Allow DLL imports" on   |
//|     its Common tab, and start Tickwell.                           |
//|                                                                   |
//| A line is "symbol;bid;ask;last;time;volume": prices with the      |
//| symbol's own number of digits, the time of the tick in seconds    |
//| since 1970 as the terminal gives it, the volume of the tick.      |
//+------------------------------------------------------------------+
#property copyright "Tickwell"
#property version   "1.00"
#property description "Feeds Tickwell with the quotes of the chosen symbols."

#import "TickwellFeed.dll"
int TwfOpen(int timeout_ms);
int TwfSendQuote(string symbol, string bid, string ask, string last, string time, string volume);
int TwfClose();
#import

// Return codes of TickwellFeed.dll (see tickwell_feed.h).
#define TWF_OK           0
#define TWF_NOT_OPEN     1
#define TWF_NO_RECEIVER  2
#define TWF_TOO_LONG     3
#define TWF_BAD_TEXT     4
#define TWF_TIMED_OUT    5
#define TWF_BAD_ARGUMENT 6
#define TWF_SYSTEM_ERROR 7

input string InpSymbols = "";  // Symbols, comma-separated (empty: all in Market Watch)
input int    InpTimerMs = 100; // How often the other symbols are looked at (milliseconds)

string g_symbols[];    // the symbols fed
long   g_lastMsc[];    // time of the last tick sent for each, in milliseconds
int    g_lastCode[];   // the last result for each, so a problem is reported once
bool   g_waiting = false; // Tickwell is not there: sends pause for a second
uint   g_waitSince = 0;

//+------------------------------------------------------------------+
//| What a return code means, for the Experts log.                   |
//+------------------------------------------------------------------+
string CodeText(int code)
  {
   switch(code)
     {
      case TWF_OK:           return "sent";
      case TWF_NOT_OPEN:     return "the feed is not open";
      case TWF_NO_RECEIVER:  return "Tickwell is not running (it will be looked for again)";
      case TWF_TOO_LONG:     return "the line is longer than 255 characters and was not sent";
      case TWF_BAD_TEXT:     return "the symbol has characters Windows cannot pass on here";
      case TWF_TIMED_OUT:    return "Tickwell did not answer within a second";
      case TWF_BAD_ARGUMENT: return "an empty value or one holding ';'";
      case TWF_SYSTEM_ERROR: return "Windows refused the feed a window";
     }
   return "unknown code " + IntegerToString(code);
  }

//+------------------------------------------------------------------+
//| Adds a symbol to the list (once), making sure the terminal keeps |
//| its quotes up to date.                                            |
//+------------------------------------------------------------------+
void AddSymbol(const string given)
  {
   string name = given;
   StringTrimLeft(name);
   StringTrimRight(name);
   if(name == "")
      return;
   for(int i = 0; i < ArraySize(g_symbols); i++)
      if(g_symbols[i] == name)
         return;
   if(!SymbolSelect(name, true))
     {
      Print("TickwellFeed: unknown symbol ", name, ", left out");
      return;
     }
   int n = ArraySize(g_symbols);
   ArrayResize(g_symbols, n + 1);
   ArrayResize(g_lastMsc, n + 1);
   ArrayResize(g_lastCode, n + 1);
   g_symbols[n] = name;
   g_lastMsc[n] = 0;
   g_lastCode[n] = TWF_OK;
  }

//+------------------------------------------------------------------+
//| Sends symbol i's quote if its last tick is newer than the one    |
//| sent before.                                                      |
//+------------------------------------------------------------------+
void SendIfChanged(int i)
  {
   MqlTick tick;
   if(!SymbolInfoTick(g_symbols[i], tick) || tick.time_msc == g_lastMsc[i])
      return;
   if(g_waiting)
     {
      if(GetTickCount() - g_waitSince < 1000)
         return;          // still pausing; the newest tick is sent afterwards
      g_waiting = false;
     }
   int digits = (int)SymbolInfoInteger(g_symbols[i], SYMBOL_DIGITS);
   int code = TwfSendQuote(g_symbols[i],
                           DoubleToString(tick.bid, digits),
                           DoubleToString(tick.ask, digits),
                           DoubleToString(tick.last, digits),
                           IntegerToString((long)tick.time),
                           IntegerToString((long)tick.volume));
   if(code != g_lastCode[i] && code != TWF_OK)
      Print("TickwellFeed: ", g_symbols[i], ": ", CodeText(code));
   g_lastCode[i] = code;
   if(code == TWF_NO_RECEIVER || code == TWF_TIMED_OUT)
     {
      // Try again in a second rather than on every tick of every symbol.
      g_waiting = true;
      g_waitSince = GetTickCount();
      return;
     }
   g_lastMsc[i] = tick.time_msc;  // sent, or a line that can never be sent
  }

//+------------------------------------------------------------------+
int OnInit()
  {
   ArrayResize(g_symbols, 0);
   ArrayResize(g_lastMsc, 0);
   ArrayResize(g_lastCode, 0);
   if(InpSymbols == "")
     {
      for(int i = 0; i < SymbolsTotal(true); i++)
         AddSymbol(SymbolName(i, true));
     }
   else
     {
      string parts[];
      int count = StringSplit(InpSymbols, ',', parts);
      for(int i = 0; i < count; i++)
         AddSymbol(parts[i]);
     }

   int code = TwfOpen(2000);
   if(code != TWF_OK && code != TWF_NO_RECEIVER)
     {
      Print("TickwellFeed: cannot open the feed: ", CodeText(code));
      return INIT_FAILED;
     }
   if(code == TWF_NO_RECEIVER)
      Print("TickwellFeed: ", CodeText(code));
   if(!EventSetMillisecondTimer(InpTimerMs < 10 ? 10 : InpTimerMs))
     {
      TwfClose();
      Print("TickwellFeed: the terminal refused a timer");
      return INIT_FAILED;
     }
   Print("TickwellFeed: feeding ", ArraySize(g_symbols), " symbol(s)");
   return INIT_SUCCEEDED;
  }

//+------------------------------------------------------------------+
void OnDeinit(const int reason)
  {
   EventKillTimer();
   TwfClose();
  }

//+------------------------------------------------------------------+
//| The chart's own symbol: the terminal calls this on each tick.    |
//+------------------------------------------------------------------+
void OnTick()
  {
   for(int i = 0; i < ArraySize(g_symbols); i++)
      if(g_symbols[i] == _Symbol)
         SendIfChanged(i);
  }

//+------------------------------------------------------------------+
//| The other symbols: their ticks reach no expert, so their last    |
//| tick is looked at on the timer.                                   |
//+------------------------------------------------------------------+
void OnTimer()
  {
   for(int i = 0; i < ArraySize(g_symbols); i++)
      if(g_symbols[i] != _Symbol)
         SendIfChanged(i);
  }
//+------------------------------------------------------------------+
