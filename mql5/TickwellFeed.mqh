//+------------------------------------------------------------------+
//| TickwellFeed.mqh                                                  |
//| What the Tickwell service and the Tickwell expert share: the     |
//| list of symbols fed (fixed, or following Market Watch), and one  |
//| quote line per symbol whose last tick changed.                    |
//|                                                                   |
//| A line is "symbol;bid;ask;last;time;volume;high;low": prices with |
//| the symbol's own number of digits, the time of the tick in       |
//| seconds since 1970 as the terminal gives it (the trade server's  |
//| clock), the volume of the last deal (its exact value when the    |
//| terminal has one), then the day's high and low of the bid, left  |
//| out when the terminal has none.                                   |
//|                                                                   |
//| The feed names its terminal, so that Tickwell serves each        |
//| terminal on the computer under services of its own (MT5_<label>, |
//| MT4_<label>): the label given, or one made from the account      |
//| (server and login), kept to letters, digits and "_".              |
//|                                                                   |
//| Copy this file into the terminal's MQL5\Include folder.          |
//+------------------------------------------------------------------+
#import "TickwellFeed.dll"
int TwfOpen(int timeout_ms);
int TwfSetTerminal(string label);
int TwfSendQuoteEx(string symbol, string bid, string ask, string last, string time,
                   string volume, string high, string low);
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

string g_twfSymbols[];     // the symbols fed
long   g_twfLastMsc[];     // time of the last tick sent for each, in milliseconds
int    g_twfLastCode[];    // the last result for each, so a problem is reported once
bool   g_twfFollowWatch = false; // the list is Market Watch's and follows it
uint   g_twfWatchChecked = 0;    // when Market Watch was last compared with the list
bool   g_twfWaiting = false;     // Tickwell is not there: sends pause for a second
uint   g_twfWaitSince = 0;
int    g_twfAwayCode = TWF_OK;   // why Tickwell cannot be reached, said once for all symbols
bool   g_twfFound = false;       // Tickwell took a line since the feed started
string g_twfGivenLabel = "";     // the terminal's label as given, or "" to follow the account
string g_twfLabel = "";          // the label the feed has ("": none, the default terminal)
uint   g_twfLabelChecked = 0;    // when the account was last looked at for the label

//+------------------------------------------------------------------+
//| What a return code means, for the log.                           |
//+------------------------------------------------------------------+
string TwfCodeText(int code)
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
//| Index of a symbol in the list, or -1.                            |
//+------------------------------------------------------------------+
int TwfFind(const string name)
  {
   for(int i = 0; i < ArraySize(g_twfSymbols); i++)
      if(g_twfSymbols[i] == name)
         return i;
   return -1;
  }

//+------------------------------------------------------------------+
//| Adds a symbol to the list (once), making sure the terminal keeps |
//| its quotes up to date.                                            |
//+------------------------------------------------------------------+
void TwfAddSymbol(const string given)
  {
   string name = given;
   StringTrimLeft(name);
   StringTrimRight(name);
   if(name == "" || TwfFind(name) >= 0)
      return;
   if(!SymbolSelect(name, true))
     {
      Print("Tickwell: unknown symbol ", name, ", left out");
      return;
     }
   int n = ArraySize(g_twfSymbols);
   ArrayResize(g_twfSymbols, n + 1);
   ArrayResize(g_twfLastMsc, n + 1);
   ArrayResize(g_twfLastCode, n + 1);
   g_twfSymbols[n] = name;
   g_twfLastMsc[n] = 0;
   g_twfLastCode[n] = TWF_OK;
  }

//+------------------------------------------------------------------+
//| Takes symbol i out of the list.                                   |
//+------------------------------------------------------------------+
void TwfRemoveAt(int i)
  {
   int last = ArraySize(g_twfSymbols) - 1;
   g_twfSymbols[i] = g_twfSymbols[last];
   g_twfLastMsc[i] = g_twfLastMsc[last];
   g_twfLastCode[i] = g_twfLastCode[last];
   ArrayResize(g_twfSymbols, last);
   ArrayResize(g_twfLastMsc, last);
   ArrayResize(g_twfLastCode, last);
  }

//+------------------------------------------------------------------+
//| Market Watch as it is now: symbols added there are fed from now  |
//| on, symbols hidden there are no longer fed. Looked at once a     |
//| second at most.                                                   |
//+------------------------------------------------------------------+
void TwfFollowMarketWatch()
  {
   if(!g_twfFollowWatch || GetTickCount() - g_twfWatchChecked < 1000)
      return;
   g_twfWatchChecked = GetTickCount();
   int total = SymbolsTotal(true);
   for(int i = ArraySize(g_twfSymbols) - 1; i >= 0; i--)
      if(!SymbolInfoInteger(g_twfSymbols[i], SYMBOL_SELECT))
         TwfRemoveAt(i);
   int before = ArraySize(g_twfSymbols);
   for(int i = 0; i < total; i++)
      TwfAddSymbol(SymbolName(i, true));
   if(ArraySize(g_twfSymbols) != before)
      Print("Tickwell: feeding ", ArraySize(g_twfSymbols), " symbol(s) of Market Watch");
  }

//+------------------------------------------------------------------+
//| A number as short as it can be written without losing a digit.   |
//+------------------------------------------------------------------+
string TwfNumber(double value)
  {
   string text = DoubleToString(value, 8);
   int dot = StringFind(text, ".");
   if(dot < 0)
      return text;
   int end = StringLen(text);
   while(end > dot + 1 && StringGetCharacter(text, end - 1) == '0')
      end--;
   if(end == dot + 1)
      end = dot;
   return StringSubstr(text, 0, end);
  }

//+------------------------------------------------------------------+
//| Sends symbol i's quote if its last tick is newer than the one    |
//| sent before.                                                      |
//+------------------------------------------------------------------+
void TwfSendIfChanged(int i)
  {
   MqlTick tick;
   string name = g_twfSymbols[i];
   if(!SymbolInfoTick(name, tick) || tick.time_msc == g_twfLastMsc[i])
      return;
   if(g_twfWaiting)
     {
      if(GetTickCount() - g_twfWaitSince < 1000)
         return;          // still pausing; the newest tick is sent afterwards
      g_twfWaiting = false;
     }
   int digits = (int)SymbolInfoInteger(name, SYMBOL_DIGITS);
   // Forex symbols have no deals: their volume is 0. Exchange symbols give the deal's exact
   // volume (fractional lots included) in volume_real.
   string volume = tick.volume_real > 0 ? TwfNumber(tick.volume_real)
                                        : IntegerToString((long)tick.volume);
   double high = SymbolInfoDouble(name, SYMBOL_BIDHIGH);
   double low = SymbolInfoDouble(name, SYMBOL_BIDLOW);
   bool range = high > 0 && low > 0;
   int code = TwfSendQuoteEx(name,
                             DoubleToString(tick.bid, digits),
                             DoubleToString(tick.ask, digits),
                             DoubleToString(tick.last, digits),
                             IntegerToString((long)tick.time),
                             volume,
                             range ? DoubleToString(high, digits) : "",
                             range ? DoubleToString(low, digits) : "");
   if(code == TWF_NO_RECEIVER || code == TWF_TIMED_OUT)
     {
      // Tickwell is away for every symbol alike: said once, not once for each of them. Try
      // again in a second rather than on every tick of every symbol.
      if(code != g_twfAwayCode)
         Print("Tickwell: ", TwfCodeText(code));
      g_twfAwayCode = code;
      g_twfWaiting = true;
      g_twfWaitSince = GetTickCount();
      return;
     }
   if(code == TWF_OK)
     {
      if(g_twfAwayCode != TWF_OK)
         Print("Tickwell: Tickwell found", g_twfFound ? " again" : "", ": quotes flow");
      g_twfAwayCode = TWF_OK;
      g_twfFound = true;
     }
   // What is wrong with one symbol's line is said once for that symbol.
   if(code != g_twfLastCode[i] && code != TWF_OK)
      Print("Tickwell: ", name, ": ", TwfCodeText(code));
   g_twfLastCode[i] = code;
   g_twfLastMsc[i] = tick.time_msc;  // sent, or a line that can never be sent
  }

//+------------------------------------------------------------------+
//| Every symbol but the one given (which its own ticks send).       |
//+------------------------------------------------------------------+
void TwfSendAllBut(const string skip)
  {
   for(int i = 0; i < ArraySize(g_twfSymbols); i++)
      if(g_twfSymbols[i] != skip)
         TwfSendIfChanged(i);
  }

//+------------------------------------------------------------------+
//| Sends the quote of one symbol if it is fed.                      |
//+------------------------------------------------------------------+
void TwfSendSymbol(const string name)
  {
   int i = TwfFind(name);
   if(i >= 0)
      TwfSendIfChanged(i);
  }

//+------------------------------------------------------------------+
//| A label as Tickwell takes it: letters A-Z and a-z, digits and "_" |
//| stay, any other character becomes "_"; at most 64 characters.    |
//+------------------------------------------------------------------+
string TwfSafeLabel(const string text)
  {
   string label = "";
   int n = StringLen(text);
   for(int i = 0; i < n && StringLen(label) < 64; i++)
     {
      ushort c = StringGetCharacter(text, i);
      bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                  (c >= '0' && c <= '9') || c == '_';
      // A character outside the basic plane is two code units but one character.
      if(c >= 0xD800 && c <= 0xDBFF && i + 1 < n)
        {
         ushort second = StringGetCharacter(text, i + 1);
         if(second >= 0xDC00 && second <= 0xDFFF)
            i++;
        }
      if(safe)
         label += ShortToString(c);
      else
         label += "_";
     }
   return label;
  }

//+------------------------------------------------------------------+
//| The label made from the account: server and login, or "" while   |
//| the terminal is not logged in.                                    |
//+------------------------------------------------------------------+
string TwfAccountLabel()
  {
   long login = AccountInfoInteger(ACCOUNT_LOGIN);
   if(login == 0)
      return "";
   return TwfSafeLabel(AccountInfoString(ACCOUNT_SERVER) + "_" + IntegerToString(login));
  }

//+------------------------------------------------------------------+
//| Names the terminal to Tickwell, if the label is a new one.       |
//+------------------------------------------------------------------+
void TwfUseLabel(const string label)
  {
   if(label == g_twfLabel)
      return;
   int code = TwfSetTerminal(label);
   // Timed out, the label is set all the same and goes before the next line.
   if(code != TWF_OK && code != TWF_TIMED_OUT)
     {
      Print("Tickwell: cannot name this terminal: ", TwfCodeText(code));
      return;
     }
   g_twfLabel = label;
   if(label == "")
      Print("Tickwell: this terminal is Tickwell's default one (DDE services MT5 and MT4)");
   else
      Print("Tickwell: this terminal is named ", label, " (DDE services MT5_", label,
            " and MT4_", label, ")");
  }

//+------------------------------------------------------------------+
//| A label made from the account follows it: another login names    |
//| the terminal anew. Looked at once a second at most.              |
//+------------------------------------------------------------------+
void TwfFollowAccount()
  {
   if(g_twfGivenLabel != "" || GetTickCount() - g_twfLabelChecked < 1000)
      return;
   g_twfLabelChecked = GetTickCount();
   TwfUseLabel(TwfAccountLabel());
  }

//+------------------------------------------------------------------+
//| Makes the list (comma-separated symbols, or empty for Market     |
//| Watch), opens the feed and names the terminal (the label given,  |
//| or empty for one made from the account). False when the feed     |
//| cannot work.                                                      |
//+------------------------------------------------------------------+
bool TwfStart(const string symbols, const string terminal)
  {
   ArrayResize(g_twfSymbols, 0);
   ArrayResize(g_twfLastMsc, 0);
   ArrayResize(g_twfLastCode, 0);
   g_twfFollowWatch = symbols == "";
   g_twfWatchChecked = 0;
   g_twfWaiting = false;
   g_twfAwayCode = TWF_OK;
   g_twfFound = false;
   if(g_twfFollowWatch)
     {
      for(int i = 0; i < SymbolsTotal(true); i++)
         TwfAddSymbol(SymbolName(i, true));
      g_twfWatchChecked = GetTickCount();
     }
   else
     {
      string parts[];
      int count = StringSplit(symbols, ',', parts);
      for(int i = 0; i < count; i++)
         TwfAddSymbol(parts[i]);
     }

   int code = TwfOpen(2000);
   if(code != TWF_OK && code != TWF_NO_RECEIVER)
     {
      Print("Tickwell: cannot open the feed: ", TwfCodeText(code));
      return false;
     }
   if(code == TWF_NO_RECEIVER)
     {
      Print("Tickwell: ", TwfCodeText(code));
      g_twfAwayCode = code;  // the sends do not say it again
     }
   else
      g_twfFound = true;

   string given = terminal;
   StringTrimLeft(given);
   StringTrimRight(given);
   g_twfGivenLabel = TwfSafeLabel(given);
   g_twfLabel = "";
   g_twfLabelChecked = GetTickCount();
   TwfUseLabel(g_twfGivenLabel != "" ? g_twfGivenLabel : TwfAccountLabel());
   Print("Tickwell: feeding ", ArraySize(g_twfSymbols), " symbol(s)",
         g_twfFollowWatch ? " of Market Watch" : "");
   return true;
  }

//+------------------------------------------------------------------+
void TwfStop()
  {
   TwfClose();
  }
//+------------------------------------------------------------------+
