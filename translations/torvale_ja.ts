<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>AlarmSettings</name>
    <message>
        <source>The alarm threshold must be a number greater than 0.</source>
        <translation>警報のしきい値は 0 より大きい数値で入力してください。</translation>
    </message>
    <message>
        <source>The averaging time must be 1 to %1 minutes.</source>
        <translation>平均する時間は 1〜%1 分にしてください。</translation>
    </message>
</context>
<context>
    <name>ChartMenu</name>
    <message>
        <source>Moving average</source>
        <translation>移動平均</translation>
    </message>
    <message>
        <source>None</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>10 min</source>
        <translation>10分</translation>
    </message>
    <message>
        <source>60 min</source>
        <translation>60分</translation>
    </message>
    <message>
        <source>µSv/h on the right axis</source>
        <translation>右軸に µSv/h を表示</translation>
    </message>
    <message>
        <source>Needs a conversion factor</source>
        <translation>換算係数を設定すると使えます</translation>
    </message>
    <message>
        <source>Save as PNG...</source>
        <translation>PNG で保存...</translation>
    </message>
    <message>
        <source>Save as SVG...</source>
        <translation>SVG で保存...</translation>
    </message>
    <message>
        <source>Copy to clipboard</source>
        <translation>クリップボードにコピー</translation>
    </message>
    <message>
        <source>Save the graph</source>
        <translation>グラフの保存</translation>
    </message>
    <message>
        <source>Could not make a PNG of the graph.</source>
        <translation>グラフを PNG にできませんでした。</translation>
    </message>
</context>
<context>
    <name>ClockGate</name>
    <message>
        <source>The clock reads a day before this program was built (%1): no minute is filed until the clock is set; the pulses are counted meanwhile.</source>
        <translation>時計がこのプログラムのビルド日（%1）より前の日付です。時計が合うまで分の記録はしません。パルスはその間も数えます。</translation>
    </message>
    <message>
        <source>The kernel reports the clock not synchronised: no minute is filed until it is; the pulses are counted meanwhile.</source>
        <translation>カーネルが時計を未同期と報告しています。同期するまで分の記録はしません。パルスはその間も数えます。</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Counts the pulses of a Geiger–Müller counter on a serial port and logs them minute by minute.</source>
        <translation>Counts the pulses of a Geiger–Müller counter on a serial port and logs them minute by minute.</translation>
    </message>
    <message>
        <source>A log file (CSV) to open at start.</source>
        <translation>A log file (CSV) to open at start.</translation>
    </message>
    <message>
        <source>Measure without a window until SIGTERM or SIGINT, auto-saving every minute; needs --port and --data.</source>
        <translation>Measure without a window until SIGTERM or SIGINT, auto-saving every minute; needs --port and --data.</translation>
    </message>
    <message>
        <source>With --headless: the counter&apos;s serial port.</source>
        <translation>With --headless: the counter&apos;s serial port.</translation>
    </message>
    <message>
        <source>With --headless: the data folder of the auto-saved logs.</source>
        <translation>With --headless: the data folder of the auto-saved logs.</translation>
    </message>
    <message>
        <source>With --headless: a log file (CSV) to continue.</source>
        <translation>With --headless: a log file (CSV) to continue.</translation>
    </message>
    <message>
        <source>With --headless: publish every minute to this MQTT broker, mqtt://[user@]host[:port][/prefix] or mqtts://...</source>
        <translation>With --headless: publish every minute to this MQTT broker, mqtt://[user@]host[:port][/prefix] or mqtts://...</translation>
    </message>
    <message>
        <source>With --mqtt: a file readable by its owner alone holding the broker password.</source>
        <translation>With --mqtt: a file readable by its owner alone holding the broker password.</translation>
    </message>
    <message>
        <source>With --headless, --export or --stats: the conversion factor in counts per minute per µSv/h.</source>
        <translation>With --headless, --export or --stats: the conversion factor in counts per minute per µSv/h.</translation>
    </message>
    <message>
        <source>With --headless: report on stderr when the running mean crosses this many counts per minute.</source>
        <translation>With --headless: report on stderr when the running mean crosses this many counts per minute.</translation>
    </message>
    <message>
        <source>With --headless and --factor: the alarm threshold in µSv/h.</source>
        <translation>With --headless and --factor: the alarm threshold in µSv/h.</translation>
    </message>
    <message>
        <source>With an alarm: minutes of the running mean (1-60, default 10).</source>
        <translation>With an alarm: minutes of the running mean (1-60, default 10).</translation>
    </message>
    <message>
        <source>Write the log as tidy CSV (time,cpm[,usv_h]) to stdout or --output, and exit.</source>
        <translation>Write the log as tidy CSV (time,cpm[,usv_h]) to stdout or --output, and exit.</translation>
    </message>
    <message>
        <source>With --export: the CSV file to write.</source>
        <translation>With --export: the CSV file to write.</translation>
    </message>
    <message>
        <source>Print the statistics of the log&apos;s minutes as key=value lines, and exit.</source>
        <translation>Print the statistics of the log&apos;s minutes as key=value lines, and exit.</translation>
    </message>
    <message>
        <source>With --stats: the first minute, YYYY-MM-DDTHH:MM.</source>
        <translation>With --stats: the first minute, YYYY-MM-DDTHH:MM.</translation>
    </message>
    <message>
        <source>With --stats: the last minute, YYYY-MM-DDTHH:MM.</source>
        <translation>With --stats: the last minute, YYYY-MM-DDTHH:MM.</translation>
    </message>
    <message>
        <source>With --headless: upload the mean cpm to a map: radmon, gmcmap or safecast; may be given more than once.</source>
        <translation>With --headless: upload the mean cpm to a map: radmon, gmcmap or safecast; may be given more than once.</translation>
    </message>
    <message>
        <source>With --upload: the file of key=value lines with the accounts, keys and location; readable by its owner alone.</source>
        <translation>With --upload: the file of key=value lines with the accounts, keys and location; readable by its owner alone.</translation>
    </message>
    <message>
        <source>With --upload: another address for a map (a mirror, a test server).</source>
        <translation>With --upload: another address for a map (a mirror, a test server).</translation>
    </message>
    <message>
        <source>The window&apos;s language: ja or en (default: the desktop&apos;s; Japanese when none is set).</source>
        <translation>The window&apos;s language: ja or en (default: the desktop&apos;s; Japanese when none is set).</translation>
    </message>
    <message>
        <source>With --upload: minutes between uploads (default 5).</source>
        <translation>With --upload: minutes between uploads (default 5).</translation>
    </message>
    <message>
        <source>With --headless: serve a read-only web page, its JSON/CSV API and Prometheus metrics on [ADDR:]PORT (127.0.0.1 unless an address is given).</source>
        <translation>--headless と共に: 読み取り専用の Web ページ、その JSON/CSV API、Prometheus のメトリクスを [ADDR:]PORT で提供します（アドレスがなければ 127.0.0.1）。</translation>
    </message>
    <message>
        <source>--http goes with --headless.</source>
        <translation>--http は --headless と共に使います。</translation>
    </message>
    <message>
        <source>--http wants PORT, ADDR:PORT or [IPv6]:PORT.</source>
        <translation>--http には PORT、ADDR:PORT、[IPv6]:PORT のいずれかを指定してください。</translation>
    </message>
    <message>
        <source>With --headless: file no minute until the kernel reports the clock synchronised (NTP).</source>
        <translation>With --headless: file no minute until the kernel reports the clock synchronised (NTP).</translation>
    </message>
    <message>
        <source>With --headless: the kind of counter, pulses (default), gmc, radpro or lines.</source>
        <translation>With --headless: the kind of counter, pulses (default), gmc, radpro or lines.</translation>
    </message>
    <message>
        <source>With --headless: the line speed (default: 9600 for pulses and lines, 115200 for gmc and radpro).</source>
        <translation>With --headless: the line speed (default: 9600 for pulses and lines, 115200 for gmc and radpro).</translation>
    </message>
    <message>
        <source>With an mqtts:// URL: the CA certificate (PEM) to trust instead of the system&apos;s CAs.</source>
        <translation>With an mqtts:// URL: the CA certificate (PEM) to trust instead of the system&apos;s CAs.</translation>
    </message>
    <message>
        <source>With --headless: the station&apos;s name for --mqtt (default: the host name; the topics default to torvale/&lt;station&gt;).</source>
        <translation>With --headless: the station&apos;s name for --mqtt (default: the host name; the topics default to torvale/&lt;station&gt;).</translation>
    </message>
    <message>
        <source>With --export or --stats: the year of the log&apos;s newest column, for a file whose name carries no date.</source>
        <translation>With --export or --stats: the year of the log&apos;s newest column, for a file whose name carries no date.</translation>
    </message>
    <message>
        <source>With --upload: a PEM file of CAs trusted besides the system&apos;s (a self-hosted map, a mirror).</source>
        <translation>With --upload: a PEM file of CAs trusted besides the system&apos;s (a self-hosted map, a mirror).</translation>
    </message>
    <message>
        <source>--wait-clock-sync goes with --headless.</source>
        <translation>--wait-clock-sync goes with --headless.</translation>
    </message>
    <message>
        <source>--mqtt-password-file and --mqtt-ca-file go with --mqtt.</source>
        <translation>--mqtt-password-file and --mqtt-ca-file go with --mqtt.</translation>
    </message>
    <message>
        <source>--counter and --baud go with --headless.</source>
        <translation>--counter and --baud go with --headless.</translation>
    </message>
    <message>
        <source>--counter %1: one of %2.</source>
        <translation>--counter %1: one of %2.</translation>
    </message>
    <message>
        <source>--baud: a line speed of 50 to 4000000 bits a second.</source>
        <translation>--baud: a line speed of 50 to 4000000 bits a second.</translation>
    </message>
    <message>
        <source>--mqtt-ca-file goes with an mqtts:// URL.</source>
        <translation>--mqtt-ca-file goes with an mqtts:// URL.</translation>
    </message>
    <message>
        <source>--from %1 comes after --to %2.</source>
        <translation>--from %1 comes after --to %2.</translation>
    </message>
    <message>
        <source>--year goes with --export or --stats.</source>
        <translation>--year goes with --export or --stats.</translation>
    </message>
    <message>
        <source>--year %1: a year from 1900 to 9999.</source>
        <translation>--year %1: a year from 1900 to 9999.</translation>
    </message>
</context>
<context>
    <name>CountHistogram</name>
    <message>
        <source>■ frequency (minutes)  — Poisson (same mean)</source>
        <translation>■ 度数（分）  — ポアソン分布（同じ平均）</translation>
    </message>
</context>
<context>
    <name>Counter</name>
    <message>
        <source>pulse counter</source>
        <translation>pulse counter</translation>
    </message>
    <message>
        <source>GQ GMC counter</source>
        <translation>GQ GMC counter</translation>
    </message>
    <message>
        <source>Rad Pro counter</source>
        <translation>Rad Pro counter</translation>
    </message>
    <message>
        <source>text-line counter</source>
        <translation>text-line counter</translation>
    </message>
    <message>
        <source>No answer as a %1 within %2 seconds: is the counter of another kind, or set to another line speed?</source>
        <translation>No answer as a %1 within %2 seconds: is the counter of another kind, or set to another line speed?</translation>
    </message>
    <message>
        <source>The %1 sent data that cannot be read; it is not counted: &quot;%2&quot;</source>
        <translation>The %1 sent data that cannot be read; it is not counted: &quot;%2&quot;</translation>
    </message>
    <message>
        <source>GQ GMC counter: %1</source>
        <translation>GQ GMC counter: %1</translation>
    </message>
    <message numerus="yes">
        <source>GQ GMC counter: %n second(s) missing from the heartbeat</source>
        <translation>
            <numerusform>GQ GMC counter: %n second(s) missing from the heartbeat</numerusform>
        </translation>
    </message>
    <message>
        <source> (%1 in all)</source>
        <translation> (%1 in all)</translation>
    </message>
    <message>
        <source>Text-line counter: %1</source>
        <translation>Text-line counter: %1</translation>
    </message>
    <message numerus="yes">
        <source>%n unreadable line(s) not counted</source>
        <translation>
            <numerusform>%n unreadable line(s) not counted</numerusform>
        </translation>
    </message>
    <message>
        <source>Rad Pro counter: another device or a long outage; the pulses while it was away are not counted</source>
        <translation>Rad Pro counter: another device or a long outage; the pulses while it was away are not counted</translation>
    </message>
    <message>
        <source>Rad Pro counter: %1 (%2)</source>
        <translation>Rad Pro counter: %1 (%2)</translation>
    </message>
    <message>
        <source>Rad Pro counter: its count went back from %1 to %2 (restarted); counting goes on from there</source>
        <translation>Rad Pro counter: its count went back from %1 to %2 (restarted); counting goes on from there</translation>
    </message>
</context>
<context>
    <name>CounterDialog</name>
    <message>
        <source>Counter</source>
        <translation>カウンター</translation>
    </message>
    <message>
        <source> bps</source>
        <translation> bps</translation>
    </message>
    <message>
        <source>Kind of counter:</source>
        <translation>カウンターの種類:</translation>
    </message>
    <message>
        <source>Line speed:</source>
        <translation>通信速度:</translation>
    </message>
</context>
<context>
    <name>CounterWindowSection</name>
    <message>
        <source>Counter: %1 at %2 bps</source>
        <translation>カウンター: %1、%2 bps</translation>
    </message>
    <message>
        <source>Counter...</source>
        <translation>カウンター...</translation>
    </message>
</context>
<context>
    <name>DoseDialog</name>
    <message>
        <source>Conversion and alarm</source>
        <translation>換算係数と警報</translation>
    </message>
    <message>
        <source>None (counts only)</source>
        <translation>なし（カウントのみ）</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>カスタム</translation>
    </message>
    <message>
        <source>Empty: no alarm</source>
        <translation>空欄で警報なし</translation>
    </message>
    <message>
        <source> min</source>
        <translation> 分</translation>
    </message>
    <message>
        <source>GM tube</source>
        <translation>GM 管</translation>
    </message>
    <message>
        <source>Factor [cpm/(µSv/h)]</source>
        <translation>換算係数 [cpm/(µSv/h)]</translation>
    </message>
    <message>
        <source>Alarm threshold</source>
        <translation>警報のしきい値</translation>
    </message>
    <message>
        <source>Threshold unit</source>
        <translation>しきい値の単位</translation>
    </message>
    <message>
        <source>Averaging time</source>
        <translation>平均する時間</translation>
    </message>
    <message>
        <source>A threshold in µSv/h needs a conversion factor.</source>
        <translation>µSv/h のしきい値には換算係数が必要です。</translation>
    </message>
</context>
<context>
    <name>DoseFactor</name>
    <message>
        <source>the conversion factor is empty</source>
        <translation>換算係数が入力されていません。</translation>
    </message>
    <message>
        <source>the conversion factor is not a number</source>
        <translation>換算係数は数値で入力してください。</translation>
    </message>
    <message>
        <source>the conversion factor must be greater than 0</source>
        <translation>換算係数は 0 より大きい値にしてください。</translation>
    </message>
    <message>
        <source>the conversion factor is below %1 cpm per µSv/h</source>
        <translation>換算係数が小さすぎます（%1 cpm/(µSv/h) 以上）。</translation>
    </message>
    <message>
        <source>the conversion factor is above %1 cpm per µSv/h</source>
        <translation>換算係数が大きすぎます（%1 cpm/(µSv/h) 以下）。</translation>
    </message>
</context>
<context>
    <name>DoseFeatures</name>
    <message>
        <source>Right-click: conversion factor and alarm</source>
        <translation>右クリック: 換算係数と警報の設定</translation>
    </message>
    <message>
        <source>Conversion factor and alarm...</source>
        <translation>換算係数と警報の設定...</translation>
    </message>
    <message>
        <source> (%1 µSv/h)</source>
        <translation>（%1 µSv/h）</translation>
    </message>
    <message>
        <source>Alarm: the %1-min mean %2 is above the threshold %3 cpm</source>
        <translation>警報: %1分平均 %2 がしきい値 %3 cpm を超えました</translation>
    </message>
    <message>
        <source>Alarm off: the %1-min mean %2 is below the threshold %3 cpm</source>
        <translation>警報解除: %1分平均 %2 がしきい値 %3 cpm を下回りました</translation>
    </message>
    <message>
        <source>Statistics of the selection...</source>
        <translation>選択範囲の統計...</translation>
    </message>
    <message>
        <source>Export as CSV (time,cpm)...</source>
        <translation>CSV（time,cpm）に書き出す...</translation>
    </message>
    <message>
        <source>Export as CSV</source>
        <translation>CSV に書き出す</translation>
    </message>
    <message>
        <source>Count rate and dose rate</source>
        <translation>計数率と線量率</translation>
    </message>
</context>
<context>
    <name>FileError</name>
    <message>
        <source>access to the file was denied</source>
        <translation>ファイルへのアクセスが拒否されました</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>ディスクがいっぱいです</translation>
    </message>
    <message>
        <source>I/O error (%1)</source>
        <translation>I/O エラー (%1)</translation>
    </message>
</context>
<context>
    <name>GmChartView</name>
    <message>
        <source>Today</source>
        <translation>本日</translation>
    </message>
    <message>
        <source>1 day ago</source>
        <translation>１日前</translation>
    </message>
    <message>
        <source>2 days ago</source>
        <translation>２日前</translation>
    </message>
    <message>
        <source>3 days ago</source>
        <translation>３日前</translation>
    </message>
    <message>
        <source>4 days ago</source>
        <translation>４日前</translation>
    </message>
    <message>
        <source>5 days ago</source>
        <translation>５日前</translation>
    </message>
    <message>
        <source>6 days ago</source>
        <translation>６日前</translation>
    </message>
    <message>
        <source>Pulses from the GM tube</source>
        <translation>GM管からのパルスのグラフ</translation>
    </message>
    <message>
        <source>Time of measurement</source>
        <translation>測定時刻</translation>
    </message>
    <message>
        <source>Counts (cpm)</source>
        <translation>カウント数(単位はcpm)</translation>
    </message>
</context>
<context>
    <name>HeadlessWeb</name>
    <message>
        <source>error: cannot serve the web page on %1: %2</source>
        <translation>エラー: %1 で Web ページを提供できません: %2</translation>
    </message>
</context>
<context>
    <name>LogCommands</name>
    <message>
        <source>note: the columns of %1 are dated back from %2 (--year).
</source>
        <translation>note: the columns of %1 are dated back from %2 (--year).
</translation>
    </message>
    <message>
        <source>note: the columns of %1 are dated back from %2, the date in its name.
</source>
        <translation>note: the columns of %1 are dated back from %2, the date in its name.
</translation>
    </message>
    <message>
        <source>note: the columns of %1 are dated back from %2, the end of the year in its name.
</source>
        <translation>note: the columns of %1 are dated back from %2, the end of the year in its name.
</translation>
    </message>
    <message>
        <source>note: the name of %1 carries no date; its columns are dated back from %2, the day it was last modified (--year YYYY sets the year of the newest column).
</source>
        <translation>note: the name of %1 carries no date; its columns are dated back from %2, the day it was last modified (--year YYYY sets the year of the newest column).
</translation>
    </message>
    <message>
        <source>warning: %1 cell(s) of %2 hold counts above %3; they were left out
</source>
        <translation>warning: %1 cell(s) of %2 hold counts above %3; they were left out
</translation>
    </message>
    <message>
        <source>warning: %1 ends in the middle of line %2 (cut short?); that line may be incomplete
</source>
        <translation>warning: %1 ends in the middle of line %2 (cut short?); that line may be incomplete
</translation>
    </message>
    <message>
        <source>error: cannot write %1: no such folder %2
</source>
        <translation>error: cannot write %1: no such folder %2
</translation>
    </message>
    <message>
        <source>warning: %1 row(s) of %2 fall in a time the clocks skipped; they are written with the offset that held before the change
</source>
        <translation>warning: %1 row(s) of %2 fall in a time the clocks skipped; they are written with the offset that held before the change
</translation>
    </message>
</context>
<context>
    <name>MeasurementSession</name>
    <message>
        <source>Com Port %1 Not Open</source>
        <translation>Com Port %1 Not Open</translation>
    </message>
    <message>
        <source>Com Port %1 Open</source>
        <translation>Com Port %1 Open</translation>
    </message>
    <message>
        <source>Com Port %1 Close</source>
        <translation>Com Port %1 Close</translation>
    </message>
    <message>
        <source>Could not send a command to the counter on %1</source>
        <translation>%1 のカウンターへコマンドを送れませんでした</translation>
    </message>
</context>
<context>
    <name>MqttConfig</name>
    <message>
        <source>The station name &quot;%1&quot; may not hold + # or NUL, nor begin with $.</source>
        <translation>The station name &quot;%1&quot; may not hold + # or NUL, nor begin with $.</translation>
    </message>
    <message>
        <source>The topic prefix &quot;%1&quot; may not hold + # or NUL, nor begin with $.</source>
        <translation>The topic prefix &quot;%1&quot; may not hold + # or NUL, nor begin with $.</translation>
    </message>
</context>
<context>
    <name>MqttDialog</name>
    <message>
        <source>MQTT broker</source>
        <translation>MQTT ブローカー</translation>
    </message>
    <message>
        <source>Send each minute&apos;s count to the broker</source>
        <translation>毎分の計数をブローカーへ送る</translation>
    </message>
    <message>
        <source>Host</source>
        <translation>ホスト</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>ポート</translation>
    </message>
    <message>
        <source>System CAs</source>
        <translation>システムの CA</translation>
    </message>
    <message>
        <source>Browse…</source>
        <translation>参照…</translation>
    </message>
    <message>
        <source>CA file</source>
        <translation>CA ファイル</translation>
    </message>
    <message>
        <source>User name</source>
        <translation>ユーザー名</translation>
    </message>
    <message>
        <source>(saved, unchanged)</source>
        <translation>(保存済み・変更しない)</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(なし)</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>パスワード</translation>
    </message>
    <message>
        <source>Forget the saved password</source>
        <translation>保存したパスワードを消す</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>局名</translation>
    </message>
    <message>
        <source>Topic</source>
        <translation>トピック</translation>
    </message>
    <message>
        <source>Home Assistant discovery</source>
        <translation>Home Assistant の自動検出</translation>
    </message>
    <message>
        <source>The password is kept in a file only you can read.</source>
        <translation>パスワードは本人だけが読めるファイルに保存されます。</translation>
    </message>
</context>
<context>
    <name>MqttLink</name>
    <message>
        <source> (if that port speaks TLS, use mqtts:// or the TLS option)</source>
        <translation> (if that port speaks TLS, use mqtts:// or the TLS option)</translation>
    </message>
    <message>
        <source>the broker&apos;s certificate was refused: %1</source>
        <translation>the broker&apos;s certificate was refused: %1</translation>
    </message>
    <message>
        <source>%1 does not answer</source>
        <translation>%1 does not answer</translation>
    </message>
    <message>
        <source>MQTT outbox cannot keep messages (%1); up to %2 wait in memory and are sent live meanwhile</source>
        <translation>MQTT outbox cannot keep messages (%1); up to %2 wait in memory and are sent live meanwhile</translation>
    </message>
    <message>
        <source>MQTT outbox keeps messages again</source>
        <translation>MQTT outbox keeps messages again</translation>
    </message>
    <message>
        <source>MQTT: %1 messages dropped from memory</source>
        <translation>MQTT: %1 messages dropped from memory</translation>
    </message>
    <message>
        <source>MQTT outbox full: the oldest %1 messages were dropped</source>
        <translation>MQTT outbox full: the oldest %1 messages were dropped</translation>
    </message>
    <message>
        <source>MQTT outbox: damaged records skipped, never sent: </source>
        <translation>MQTT outbox: damaged records skipped, never sent: </translation>
    </message>
    <message>
        <source>MQTT client cannot be made</source>
        <translation>MQTT client cannot be made</translation>
    </message>
    <message>
        <source>unknown host</source>
        <translation>unknown host</translation>
    </message>
    <message>
        <source>cannot connect to %1: %2</source>
        <translation>cannot connect to %1: %2</translation>
    </message>
    <message>
        <source>; trying again in %1 s</source>
        <translation>; trying again in %1 s</translation>
    </message>
    <message>
        <source>connection to %1 lost: %2</source>
        <translation>connection to %1 lost: %2</translation>
    </message>
    <message>
        <source>the connection ended</source>
        <translation>the connection ended</translation>
    </message>
    <message>
        <source>%1 closed the connection before answering: %2</source>
        <translation>%1 closed the connection before answering: %2</translation>
    </message>
    <message>
        <source>publishing to %1 failed: %2</source>
        <translation>publishing to %1 failed: %2</translation>
    </message>
    <message>
        <source>MQTT outbox cannot note what was sent: </source>
        <translation>MQTT outbox cannot note what was sent: </translation>
    </message>
    <message>
        <source>%1 refused the connection: %2</source>
        <translation>%1 refused the connection: %2</translation>
    </message>
    <message>
        <source>connected to </source>
        <translation>connected to </translation>
    </message>
</context>
<context>
    <name>MqttUrl</name>
    <message>
        <source>bad broker URL &quot;%1&quot;: %2</source>
        <translation>bad broker URL &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>it must begin with mqtt:// or mqtts://</source>
        <translation>it must begin with mqtt:// or mqtts://</translation>
    </message>
    <message>
        <source>the topic prefix after the host is empty or holds # + or //</source>
        <translation>the topic prefix after the host is empty or holds # + or //</translation>
    </message>
    <message>
        <source>empty user name before @</source>
        <translation>empty user name before @</translation>
    </message>
    <message>
        <source>no password in the URL; use --mqtt-password-file</source>
        <translation>no password in the URL; use --mqtt-password-file</translation>
    </message>
    <message>
        <source>no ] after the IPv6 address</source>
        <translation>no ] after the IPv6 address</translation>
    </message>
    <message>
        <source>text after the IPv6 address</source>
        <translation>text after the IPv6 address</translation>
    </message>
    <message>
        <source>empty port</source>
        <translation>empty port</translation>
    </message>
    <message>
        <source>no host</source>
        <translation>no host</translation>
    </message>
    <message>
        <source>the host name holds a character no host name has</source>
        <translation>the host name holds a character no host name has</translation>
    </message>
    <message>
        <source>the port must be a number from 1 to 65535</source>
        <translation>the port must be a number from 1 to 65535</translation>
    </message>
</context>
<context>
    <name>MqttWindowSection</name>
    <message>
        <source>cannot remove %1</source>
        <translation>cannot remove %1</translation>
    </message>
    <message>
        <source>MQTT: the password was not saved: %1</source>
        <translation>MQTT: the password was not saved: %1</translation>
    </message>
    <message>
        <source>MQTT: not started: the password file %1 may be read by others (chmod 600)</source>
        <translation>MQTT: not started: the password file %1 may be read by others (chmod 600)</translation>
    </message>
    <message>
        <source>MQTT: not started: the password file %1: %2</source>
        <translation>MQTT: not started: the password file %1: %2</translation>
    </message>
    <message>
        <source>MQTT: not publishing</source>
        <translation>MQTT: not publishing</translation>
    </message>
    <message>
        <source>MQTT: connecting to the broker</source>
        <translation>MQTT: connecting to the broker</translation>
    </message>
    <message>
        <source>MQTT: publishing</source>
        <translation>MQTT: publishing</translation>
    </message>
    <message>
        <source>MQTT publishing of station &quot;%1&quot; did not start: %2</source>
        <translation>MQTT publishing of station &quot;%1&quot; did not start: %2</translation>
    </message>
</context>
<context>
    <name>PermissionAdvice</name>
    <message>
        <source>  no permission to open %1 %2. </source>
        <translation>  %1 を開く権限がありません %2。</translation>
    </message>
    <message>
        <source>As root, run &quot;adduser %1 %2&quot; (or sudo adduser %1 %2), then log in again</source>
        <translation>root で「adduser %1 %2」を実行して (sudo があれば sudo adduser %1 %2)、ログインし直してください</translation>
    </message>
    <message>
        <source>%1 is in the group %2, but not yet in this login: log in again (or restart the service)</source>
        <translation>%1 はグループ %2 に入っていますが、このログインにはまだ効いていません。ログインし直してください</translation>
    </message>
    <message>
        <source>Let its owner read and write it: chmod u+rw %1</source>
        <translation>「chmod u+rw %1」で所有者に読み書きを許してください</translation>
    </message>
    <message>
        <source>Only %1 may open it; no group helps. As root, put &apos;%2&apos; into /etc/udev/rules.d/99-serial.rules, reboot, and run &quot;adduser %3 dialout&quot;</source>
        <translation>開けるのは %1 だけで、グループに入っても開けません。root で /etc/udev/rules.d/99-serial.rules に「%2」と書いて再起動し、「adduser %3 dialout」を実行してください</translation>
    </message>
    <message>
        <source>Its mode allows it: check its ACL and security modules</source>
        <translation>許可の設定では開けるはずです。ACL やセキュリティモジュールを確かめてください</translation>
    </message>
    <message>
        <source>  no permission to open %1</source>
        <translation>  %1 を開く権限がありません</translation>
    </message>
</context>
<context>
    <name>ProgressPane</name>
    <message>
        <source>Copy</source>
        <translation>コピー</translation>
    </message>
</context>
<context>
    <name>QtPrompts</name>
    <message>
        <source>LOG DATA(*.CSV) (*.CSV);;All files (*.*) (*)</source>
        <translation>LOG DATA(*.CSV) (*.CSV);;All files (*.*) (*)</translation>
    </message>
</context>
<context>
    <name>ReadoutText</name>
    <message>
        <source> / %1 min</source>
        <translation> / %1分</translation>
    </message>
    <message>
        <source>Last minute %1
10-min mean %2</source>
        <translation>直近1分 %1
10分平均 %2</translation>
    </message>
</context>
<context>
    <name>SessionText</name>
    <message>
        <source>Com Port %1 lost%2</source>
        <translation>Com Port %1 が切断されました%2</translation>
    </message>
    <message>
        <source>Com Port %1 back%2</source>
        <translation>Com Port %1 に再接続しました%2</translation>
    </message>
    <message>
        <source>serial port %1 is gone; counting has stopped and goes on when it returns</source>
        <translation>シリアルポート %1 が切断されました。計数は止まっています。ポートが戻りしだい計数を続けます。</translation>
    </message>
    <message>
        <source>  the clock went back from %1 to %2</source>
        <translation>  時計が %1 から %2 に戻りました</translation>
    </message>
    <message>
        <source>  the tally of %1 holds the counts of %2 minutes</source>
        <translation>  %1 の集計は %2 分間のカウントです</translation>
    </message>
    <message>
        <source>cannot remove %1: %2</source>
        <translation>%1 を削除できません: %2</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 に書き込めません: %2</translation>
    </message>
    <message>
        <source>  %1 not written: the disk cannot keep up</source>
        <translation>  書き込みが追いつかないため %1 を書き込みませんでした</translation>
    </message>
    <message>
        <source>the disk cannot keep up: %1 not written; counting goes on</source>
        <translation>ディスクへの書き込みが追いつきません。%1 を書き込みませんでした。計数は続いています</translation>
    </message>
    <message>
        <source>The clock is set (%1): the pulses counted while waiting go into the first minute.</source>
        <translation>時計が合いました（%1）。待つ間に数えたパルスは最初の1分に入れます。</translation>
    </message>
    <message>
        <source>The count of %1 is the largest a cell holds (2147483647); %2 pulses go on to the next minute.</source>
        <translation>%1 は1つのセルに入る最大のカウントです（2147483647）。残りの %2 パルスは次の1分に回します。</translation>
    </message>
    <message>
        <source>%1: cannot write %2: %3</source>
        <translation>%1: %2 に書き込めません: %3</translation>
    </message>
</context>
<context>
    <name>StatsDialog</name>
    <message>
        <source>Statistics of the selection</source>
        <translation>選択範囲の統計</translation>
    </message>
    <message>
        <source>Minutes: %1</source>
        <translation>分数: %1</translation>
    </message>
    <message>
        <source>Total: %1 counts</source>
        <translation>合計: %1 カウント</translation>
    </message>
    <message>
        <source>Mean: %1 ± %2 cpm (standard error)</source>
        <translation>平均: %1 ± %2 cpm（標準誤差）</translation>
    </message>
    <message>
        <source>Standard deviation: %1 cpm</source>
        <translation>標準偏差: %1 cpm</translation>
    </message>
    <message>
        <source>Min / max: %1 / %2</source>
        <translation>最小 / 最大: %1 / %2</translation>
    </message>
    <message>
        <source>Dispersion s²/mean: %1 (1 if Poisson)</source>
        <translation>分散指数 s²/平均: %1（ポアソンなら 1）</translation>
    </message>
    <message>
        <source>Dispersion test p-value (two-sided): %1</source>
        <translation>分散検定の p 値（両側）: %1</translation>
    </message>
    <message>
        <source>Mean dose rate: %1 ± %2 µSv/h</source>
        <translation>平均線量率: %1 ± %2 µSv/h</translation>
    </message>
    <message>
        <source>Dose: %1 µSv (%2 min)</source>
        <translation>線量: %1 µSv（%2 分間）</translation>
    </message>
    <message>
        <source>Cells left out (empty, text): %1</source>
        <translation>除いたセル（空欄・文字）: %1</translation>
    </message>
    <message>
        <source>Cells left out, counts too large: %1</source>
        <translation>カウントが大きすぎて除いたセル: %1</translation>
    </message>
    <message>
        <source>Cells of two minutes (clocks turned back): %1</source>
        <translation>2分ぶんのセル（時計の戻し）: %1</translation>
    </message>
</context>
<context>
    <name>StrToInt</name>
    <message>
        <source>&apos;%1&apos; is not a whole number</source>
        <translation>&apos;%1&apos; は整数ではありません</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>%1<byte value="xd"/> does not exist. Create this folder?</source>
        <translation>%1<byte value="xd"/> は存在しません。このディレクトリを作りますか？</translation>
    </message>
    <message>
        <source>Cannot create the folder</source>
        <translation>ディレクトリを作成できません</translation>
    </message>
    <message>
        <source>Cannot write to %1</source>
        <translation>%1 に書き込めません</translation>
    </message>
    <message>
        <source>  received </source>
        <translation>  受信 </translation>
    </message>
    <message>
        <source>Count %1</source>
        <translation>カウント数 %1</translation>
    </message>
    <message>
        <source>Now %1 %2</source>
        <translation>現在は %1 %2</translation>
    </message>
    <message>
        <source>Choose a folder</source>
        <translation>ディレクトリの選択</translation>
    </message>
    <message>
        <source>The folder does not exist. Create it?</source>
        <translation>指定されたディレクトリが存在しません。作成しますか？</translation>
    </message>
    <message>
        <source>%1<byte value="xd"/> already exists.  Do you want to replace it?</source>
        <translation>%1<byte value="xd"/> は既に存在します。上書きしますか？<byte value="xd"/> already exists.  Do you want to replace it?</translation>
    </message>
    <message>
        <source>Save Log File</source>
        <translation>Save Freq File </translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>%1 を読めません: %2</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>%1<byte value="xd"/> does not exist</source>
        <translation>%1<byte value="xd"/> は存在しません</translation>
    </message>
    <message>
        <source>The auto-save writes do not finish. The files of the last few minutes may be missing</source>
        <translation>自動保存の書き込みが終わりません。最後の数分のファイルは書かれていないことがあります</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>error</translation>
    </message>
    <message>
        <source>Cannot write the settings file.
Quit without saving the settings?</source>
        <translation>iniファイルが書き込めません。
設定を保存しないで終了しますか？</translation>
    </message>
    <message>
        <source>COM port</source>
        <translation>COMポート№</translation>
    </message>
    <message>
        <source>Data folder</source>
        <translation>データの保存フォルダ</translation>
    </message>
    <message>
        <source>Current time</source>
        <translation>現在の時刻</translation>
    </message>
    <message>
        <source>Pulses per</source>
        <translation>１分毎の</translation>
    </message>
    <message>
        <source>minute [cpm]</source>
        <translation>パルス数[cpm]</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>途中経過の表示</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>カウント中断</translation>
    </message>
    <message>
        <source>Start counting</source>
        <translation>パルスカウント開始</translation>
    </message>
    <message>
        <source>Show progress</source>
        <translation>途中経過の表示をする</translation>
    </message>
    <message>
        <source>Show graph</source>
        <translation>グラフ表示</translation>
    </message>
    <message>
        <source>Graph today only</source>
        <translation>本日データだけグラフにする</translation>
    </message>
    <message>
        <source>The last measurement was not saved. Restore it?<byte value="xd"/>(counts up to %1 %2)</source>
        <translation>前回の計測データが保存されていません。復元しますか？<byte value="xd"/>(%1 %2 までの集計)</translation>
    </message>
    <message>
        <source>Com Port Open Error</source>
        <translation>Com Port Open Error</translation>
    </message>
    <message>
        <source>%1<byte value="xd"/> File not found.</source>
        <translation>%1<byte value="xd"/> File not found.</translation>
    </message>
    <message>
        <source>Save File (Ctrl+S)</source>
        <translation>Save File (Ctrl+S)</translation>
    </message>
    <message>
        <source>EXIT (Alt+F4)</source>
        <translation>EXIT (Alt+F4)</translation>
    </message>
    <message>
        <source>Open File (Ctrl+O)</source>
        <translation>Open File (Ctrl+O)</translation>
    </message>
    <message>
        <source>Auto-save the counts while measuring</source>
        <translation>計測時に、カウント数を自動でファイルに保存する</translation>
    </message>
    <message>
        <source>Web…</source>
        <translation>Web…</translation>
    </message>
    <message>
        <source>Counts per minute by day</source>
        <translation>日ごとの１分毎のパルス数</translation>
    </message>
    <message>
        <source>Graph of the counts</source>
        <translation>パルス数のグラフ</translation>
    </message>
    <message>
        <source>Widen the graph</source>
        <translation>グラフを広げる</translation>
    </message>
    <message>
        <source>Narrow the graph</source>
        <translation>グラフを狭める</translation>
    </message>
    <message>
        <source>Upload to maps...</source>
        <translation>地図へアップロード…</translation>
    </message>
    <message>
        <source>MQTT...</source>
        <translation>MQTT…</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>フォルダの参照</translation>
    </message>
    <message numerus="yes">
        <source>%n restored minute(s) of the recovery copy added to %1</source>
        <translation>
            <numerusform>復元用コピーの %n 分を %1 に加えました</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n minute(s) held differently by both: the larger count kept</source>
        <translation>
            <numerusform>%n 分は両方で値が違うため、大きい方を残しました</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TlsProbe</name>
    <message>
        <source>the CA file cannot be read</source>
        <translation>the CA file cannot be read</translation>
    </message>
</context>
<context>
    <name>UploadAnswer</name>
    <message>
        <source>an empty answer</source>
        <translation>an empty answer</translation>
    </message>
</context>
<context>
    <name>UploadCredentials</name>
    <message>
        <source>%1: other users may read this file; make it readable by its owner alone (chmod 600).</source>
        <translation>%1: other users may read this file; make it readable by its owner alone (chmod 600).</translation>
    </message>
    <message>
        <source>%1: cannot be read: %2.</source>
        <translation>%1: cannot be read: %2.</translation>
    </message>
    <message>
        <source>%1 is missing</source>
        <translation>%1 is missing</translation>
    </message>
    <message>
        <source>latitude is no number from -90 to 90</source>
        <translation>latitude is no number from -90 to 90</translation>
    </message>
    <message>
        <source>longitude is no number from -180 to 180</source>
        <translation>longitude is no number from -180 to 180</translation>
    </message>
</context>
<context>
    <name>UploadDialog</name>
    <message>
        <source>user name, upload password, mean cpm</source>
        <translation>ユーザー名、データ送信用パスワード、平均cpm</translation>
    </message>
    <message>
        <source>account ID, counter ID, last minute&apos;s cpm, mean cpm, µSv/h (mean cpm ÷ conversion factor)</source>
        <translation>アカウントID、ガイガーカウンターID、最新1分のcpm、平均cpm、µSv/h（平均cpm÷換算係数）</translation>
    </message>
    <message>
        <source>account ID, counter ID, last minute&apos;s cpm, mean cpm</source>
        <translation>アカウントID、ガイガーカウンターID、最新1分のcpm、平均cpm</translation>
    </message>
    <message>
        <source>API key, device ID, latitude and longitude of the site, mean cpm, time of measurement (UTC)</source>
        <translation>APIキー、デバイスID、設置場所の緯度と経度、平均cpm、測定時刻（UTC）</translation>
    </message>
    <message>
        <source>Upload to radiation maps</source>
        <translation>放射線マップへのアップロード</translation>
    </message>
    <message>
        <source>Sends the mean cpm of each interval to the maps turned on. Passwords and keys are kept in a file only you can read.</source>
        <translation>オンにした地図へ、一定間隔ごとにその間の平均cpmを送ります。パスワードとキーは本人だけが読めるファイルに保存されます。</translation>
    </message>
    <message>
        <source>User name</source>
        <translation>ユーザー名</translation>
    </message>
    <message>
        <source>Upload password</source>
        <translation>データ送信用パスワード</translation>
    </message>
    <message>
        <source>Account ID</source>
        <translation>アカウントID</translation>
    </message>
    <message>
        <source>Geiger counter ID</source>
        <translation>ガイガーカウンターID</translation>
    </message>
    <message>
        <source>API key</source>
        <translation>APIキー</translation>
    </message>
    <message>
        <source>Device ID</source>
        <translation>デバイスID</translation>
    </message>
    <message>
        <source>Latitude</source>
        <translation>緯度</translation>
    </message>
    <message>
        <source>Longitude</source>
        <translation>経度</translation>
    </message>
    <message>
        <source> min</source>
        <translation> 分</translation>
    </message>
    <message>
        <source>Interval</source>
        <translation>送信間隔</translation>
    </message>
    <message>
        <source>Advanced (server URLs)</source>
        <translation>詳細設定（送信先のURL）</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>アップロードする</translation>
    </message>
    <message>
        <source>Every %3 minutes this is sent to %1 (%2):
%4.

The values sent appear on the public map of %1, with the site, for anyone to see.
Start sending?</source>
        <translation>%1（%2）へ、%3分ごとに次を送信します：
%4。

送った値は%1の公開地図に、設置場所とともに誰でも見られる形で載ります。
送信を始めますか？</translation>
    </message>
    <message>
        <source>Every %3 minutes this is sent to %1 (%2):
%4.

The values sent appear on the public map of %1 for anyone to see.
Start sending?</source>
        <translation>%1（%2）へ、%3分ごとに次を送信します：
%4。

送った値は%1の公開地図に誰でも見られる形で載ります。
送信を始めますか？</translation>
    </message>
    <message>
        <source>%1: the URL must start with http:// or https://</source>
        <translation>%1: URLは http:// か https:// で</translation>
    </message>
    <message>
        <source>the system&apos;s CAs</source>
        <translation>システムの CA</translation>
    </message>
    <message>
        <source>CA file (PEM)</source>
        <translation>CA ファイル（PEM）</translation>
    </message>
</context>
<context>
    <name>UploadServices</name>
    <message>
        <source>%1: %2 is plain http to another machine: the password or key travels in clear; use https.</source>
        <translation>%1: %2 is plain http to another machine: the password or key travels in clear; use https.</translation>
    </message>
</context>
<context>
    <name>UploadWindowSection</name>
    <message>
        <source>upload credentials %1</source>
        <translation>upload credentials %1</translation>
    </message>
    <message>
        <source>warning: %1</source>
        <translation>warning: %1</translation>
    </message>
    <message>
        <source>uploading every %1 min to %2</source>
        <translation>uploading every %1 min to %2</translation>
    </message>
</context>
<context>
    <name>Uploader</name>
    <message>
        <source>no answer within %1 s</source>
        <translation>no answer within %1 s</translation>
    </message>
    <message>
        <source>%1: upload accepted, %2 over %3 min</source>
        <translation>%1: upload accepted, %2 over %3 min</translation>
    </message>
    <message>
        <source>%1: upload refused: %2 (tried again every %3 min)</source>
        <translation>%1: upload refused: %2 (tried again every %3 min)</translation>
    </message>
    <message>
        <source>%1: upload failed: %2 (tried again every %3 min)</source>
        <translation>%1: upload failed: %2 (tried again every %3 min)</translation>
    </message>
    <message>
        <source>%1: no answer: %2 (tried again every %3 min)</source>
        <translation>%1: no answer: %2 (tried again every %3 min)</translation>
    </message>
    <message>
        <source>%1: no PEM certificate can be read from this file.</source>
        <translation>%1: no PEM certificate can be read from this file.</translation>
    </message>
    <message>
        <source>uploads: CA file %1</source>
        <translation>uploads: CA file %1</translation>
    </message>
    <message>
        <source>an answer longer than %1 KiB, cut off</source>
        <translation>an answer longer than %1 KiB, cut off</translation>
    </message>
    <message>
        <source>redirected to %1, another address: not followed</source>
        <translation>redirected to %1, another address: not followed</translation>
    </message>
</context>
<context>
    <name>WebAddress</name>
    <message>
        <source>web page at http://%1/</source>
        <translation>Web ページ http://%1/</translation>
    </message>
    <message>
        <source>warning: the web page on %1 is read-only and has no login; on an untrusted network put a reverse proxy with authentication in front of it.</source>
        <translation>警告: %1 の Web ページは読み取り専用でログインがありません。信頼できないネットワークでは認証付きのリバースプロキシを前に置いてください。</translation>
    </message>
</context>
<context>
    <name>WebDialog</name>
    <message>
        <source>Serve a read-only web page and metrics</source>
        <translation>読み取り専用の Web ページとメトリクスを提供する</translation>
    </message>
    <message>
        <source>Web page</source>
        <translation>Web ページ</translation>
    </message>
    <message>
        <source>PORT alone listens on this computer only (127.0.0.1). Another address (0.0.0.0:PORT) lets the network in: the page has no login, so put a reverse proxy with authentication in front of it on untrusted networks.</source>
        <translation>PORT だけならこのコンピューター（127.0.0.1）だけで待ち受けます。ほかのアドレス（0.0.0.0:PORT）はネットワークから入れます。ページにはログインがないので、信頼できないネットワークでは認証付きのリバースプロキシを前に置いてください。</translation>
    </message>
    <message>
        <source>Address ([ADDR:]PORT)</source>
        <translation>アドレス（[ADDR:]PORT）</translation>
    </message>
</context>
<context>
    <name>WebWindowSection</name>
    <message>
        <source>web page: cannot read the address &quot;%1&quot;</source>
        <translation>Web ページ: アドレス「%1」を読めません</translation>
    </message>
    <message>
        <source>web page: cannot listen on %1: %2</source>
        <translation>Web ページ: %1 で待ち受けできません: %2</translation>
    </message>
</context>
</TS>
