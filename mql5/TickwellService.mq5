//+------------------------------------------------------------------+
//| TickwellService.mq5                                               |
//| A service that sends one quote line per price change to          |
//| Tickwell, which hands the quotes on to spreadsheets through DDE. |
//| A service runs in the terminal without any chart, so it leaves   |
//| every chart free for trading robots.                              |
//|                                                                   |
//| Set-up:                                                           |
//|  1. Copy TickwellFeed.dll into the terminal's MQL5\Libraries      |
//|     folder, TickwellFeed.mqh into MQL5\Include and this file      |
//|     into MQL5\Services.                                           |
//|  2. Open this file in MetaEditor and compile it (F7).             |
//|  3. In the Navigator, right-click Services > TickwellService and  |
//|     choose "Add service"; tick "Allow DLL imports" on the         |
//|     Dependencies tab. The terminal starts it again at its next    |
//|     start until the service is removed.                           |
//+------------------------------------------------------------------+
#property service
#property copyright "Tickwell"
#property version   "1.20"
#property description "Feeds Tickwell with the quotes of the chosen symbols, without a chart."

#include <TickwellFeed.mqh>

input string InpSymbols = "";  // Symbols, comma-separated (empty: all in Market Watch, followed)
input int    InpTimerMs = 100; // How often the symbols are looked at (milliseconds)
input string InpTerminalLabel = ""; // Terminal label in Tickwell (empty: server_login)

//+------------------------------------------------------------------+
void OnStart()
  {
   if(!TwfStart(InpSymbols, InpTerminalLabel))
      return;
   int pause = InpTimerMs < 10 ? 10 : InpTimerMs;
   while(!IsStopped())
     {
      TwfFollowMarketWatch();
      TwfFollowAccount();
      TwfSendAllBut("");
      Sleep(pause);
     }
   TwfStop();
  }
//+------------------------------------------------------------------+
