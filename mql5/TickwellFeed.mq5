//+------------------------------------------------------------------+
//| TickwellFeed.mq5                                                  |
//| The expert that sends one quote line per price change to          |
//| Tickwell, which hands the quotes on to spreadsheets through DDE.  |
//| TickwellService.mq5 does the same without a chart and is the     |
//| better choice: a chart holds one expert only, so this one takes  |
//| the place of any trading robot there.                             |
//|                                                                   |
//| Set-up:                                                           |
//|  1. Copy TickwellFeed.dll into the terminal's MQL5\Libraries      |
//|     folder, TickwellFeed.mqh into MQL5\Include and this file      |
//|     into MQL5\Experts.                                            |
//|  2. Open this file in MetaEditor and compile it (F7).             |
//|  3. Attach the expert to a chart, tick "Allow DLL imports" on     |
//|     its Dependencies tab, and start Tickwell.                     |
//+------------------------------------------------------------------+
#property copyright "Tickwell"
#property version   "1.20"
#property description "Feeds Tickwell with the quotes of the chosen symbols."

#include <TickwellFeed.mqh>

input string InpSymbols = "";  // Symbols, comma-separated (empty: all in Market Watch, followed)
input int    InpTimerMs = 100; // How often the other symbols are looked at (milliseconds)
input string InpTerminalLabel = ""; // Terminal label in Tickwell (empty: server_login)

//+------------------------------------------------------------------+
int OnInit()
  {
   if(!TwfStart(InpSymbols, InpTerminalLabel))
      return INIT_FAILED;
   if(!EventSetMillisecondTimer(InpTimerMs < 10 ? 10 : InpTimerMs))
     {
      TwfStop();
      Print("Tickwell: the terminal refused a timer");
      return INIT_FAILED;
     }
   return INIT_SUCCEEDED;
  }

//+------------------------------------------------------------------+
void OnDeinit(const int reason)
  {
   EventKillTimer();
   TwfStop();
  }

//+------------------------------------------------------------------+
//| The chart's own symbol: the terminal calls this on each tick.    |
//+------------------------------------------------------------------+
void OnTick()
  {
   TwfSendSymbol(_Symbol);
  }

//+------------------------------------------------------------------+
//| The other symbols: their ticks reach no expert, so their last    |
//| tick is looked at on the timer.                                   |
//+------------------------------------------------------------------+
void OnTimer()
  {
   TwfFollowMarketWatch();
   TwfFollowAccount();
   TwfSendAllBut(_Symbol);
  }
//+------------------------------------------------------------------+
