<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>TdataLineForm</name>
    <message>
        <source>放大所选</source>
        <translation>Zoom to selection</translation>
    </message>
    <message>
        <source>复原</source>
        <translation>Reset zoom</translation>
    </message>
</context>
<context>
    <name>ZoomInput</name>
    <message>
        <source>X：%1 至 %2</source>
        <translation>X: %1 to %2</translation>
    </message>
</context>
<context>
    <name>commandline</name>
    <message>
        <source>未知的选项“%1”</source>
        <translation>unknown option &apos;%1&apos;</translation>
    </message>
    <message>
        <source>文件名为空</source>
        <translation>an empty file name</translation>
    </message>
    <message>
        <source>一次只能打开一个工作簿，不能打开%1个</source>
        <translation>one workbook at a time, not %1</translation>
    </message>
    <message>
        <source>--recent 不能与文件名一起使用</source>
        <translation>--recent takes no file name</translation>
    </message>
    <message>
        <source>用法：tabrovex [--lang zh|en] [文件]
      tabrovex --recent

打开一个工作簿（.xls、.xlsx、.xlsm、.ods、.csv），把选定的列绘制成曲线。
  文件          启动时打开的工作簿，下次启动时也打开它；
                不给出时打开上次打开的工作簿（或示例工作簿）
  --lang zh|en  界面的语言：中文或英文（默认由 LC_ALL、LC_MESSAGES、LANG 决定，
                以 zh 开头为中文，其余为英文）
  --recent      列出最近打开的8个文件（最近的在前），每行一个
  --help        显示本说明
  --version     显示程序的版本

设置文件：程序所在文件夹中的 ini/option.ini（该文件夹可写时），
否则为 $XDG_CONFIG_HOME/tabrovex/option.ini（~/.config/tabrovex/option.ini）。
</source>
        <translation>Usage: tabrovex [--lang zh|en] [FILE]
       tabrovex --recent

Opens a workbook (.xls, .xlsx, .xlsm, .ods, .csv) and draws the chosen columns as curves.
  FILE          the workbook to open at start, remembered for the next start;
                without it the workbook opened last (or the sample) is opened
  --lang zh|en  the language of the windows: Chinese or English (default: by LC_ALL,
                LC_MESSAGES, LANG; Chinese where it starts with zh, else English)
  --recent      lists the 8 files opened last (the latest first), one a line
  --help        this text
  --version     the program&apos;s version

Settings: ini/option.ini beside the program when that folder can be written,
otherwise $XDG_CONFIG_HOME/tabrovex/option.ini (~/.config/tabrovex/option.ini).
</translation>
    </message>
</context>
<context>
    <name>language</name>
    <message>
        <source>--lang 需要 zh 或 en</source>
        <translation>--lang needs zh or en</translation>
    </message>
    <message>
        <source>--lang 只能是 zh 或 en，不能是“%1”</source>
        <translation>--lang is zh or en, not &apos;%1&apos;</translation>
    </message>
</context>
<context>
    <name>plotjob</name>
    <message>
        <source>X范围“%1”不在X列的数据（%2 至 %3）之内</source>
        <translation>X range &quot;%1&quot; lies outside the X column&apos;s data (%2 to %3)</translation>
    </message>
</context>
<context>
    <name>plotoptions</name>
    <message>
        <source>用法：tabrovex-plot table 工作簿 [--rows A:B]
      tabrovex-plot chart 工作簿 [-x K] [-y K,K,...] [--mode 1|2|3|manual]
                         [--page] [--first-rows] [--size WxH] [--x-range A..B]
                         [--settings INI] -o OUT

像 Tabrovex 一样读取工作簿（.xls、.xlsx、.xlsm、.ods、.csv 或其他分隔符文本，
按内容区分）的第一个工作表，并输出 JSON。
  table      读取的日志行和各列数据
  --rows A:B       table：每列只输出第A项到第B项（1为名称，2为单位；
             A: 到最后一项，:B 从第一项起）
  chart      检查并载入所选的列，按 OUT 的扩展名写出曲线图：OUT.png 为屏幕上的
             曲线图（加 --page 为 96 dpi 的A4打印页），OUT.pdf 为A4打印页
  -x K       X列（默认：第1列）
  -y K,...   Y列（默认：第2至5列，有几列取几列）
  --mode M   刻度：1 数据范围，2 两端各加半个跨度（默认），3 两端各加一个跨度，
             manual：设置文件中保存的上下限
  --first-rows     只绘制较长表格的前1000个数据行（默认：整个表格，每条曲线
             精简到1000个点，保留每个峰值）
  --size WxH       屏幕曲线图的像素大小（默认 817x529；320x240 至 8192x8192）
  --x-range A..B   只绘制X在A至B之间的部分，从每一行重新精简；A、B 为数，
             时间列也可写X列那样的时间（08:45:00..08:46:00）；A:B 只在
             冒号只有一种分法时可用
  --settings INI   设置文件，必须存在（默认：tabrovex 自己的设置文件，
             程序旁的 ini/option.ini 或 ~/.config/tabrovex/option.ini）
  --lang zh|en     提示和说明的语言（默认由 LC_ALL、LC_MESSAGES、LANG 决定）；
             JSON 的键和日志行在任何语言下都相同
  --help, --version
  --         选项到此结束：其后是命令或工作簿
退出状态：0 完成，1 用法错误，2 未能读取工作簿，3 选择被拒绝或载入失败，
4 未能写出结果。
</source>
        <translation>Usage: tabrovex-plot table WORKBOOK [--rows A:B]
       tabrovex-plot chart WORKBOOK [-x K] [-y K,K,...] [--mode 1|2|3|manual]
                         [--page] [--first-rows] [--size WxH] [--x-range A..B]
                         [--settings INI] -o OUT

Reads the first worksheet of a workbook (.xls, .xlsx, .xlsm, .ods, .csv or other
delimited text, told apart by content) as Tabrovex does and prints JSON.
  table      the log lines of the read and the column lists
  --rows A:B       table: only items A to B of every list (1 the name, 2 the
             unit; A: to the end, :B from the first)
  chart      checks and loads the chosen columns and writes the chart to OUT,
             by its extension: OUT.png the screen chart (with --page the printed
             A4 page at 96 dpi), OUT.pdf the printed A4 page
  -x K       X column (default: column 1)
  -y K,...   Y columns (default: columns 2 to 5, as many as there are)
  --mode M   scaling: 1 data range, 2 half the span added (default), 3 the full
             span added, manual: the limits saved in the settings file
  --first-rows     only the first 1000 data rows of a longer table (default: the
             whole table, thinned to 1000 points per curve keeping every peak)
  --size WxH       the screen chart&apos;s size in pixels (default 817x529; 320x240
             to 8192x8192)
  --x-range A..B   draw only the stretch of X from A to B, thinned afresh from
             every row in it; A and B are numbers, or on a time column times
             in its own form (08:45:00..08:46:00); A:B only where one colon
             alone can split it
  --settings INI   settings file, which must exist (default: tabrovex&apos;s own,
             ini/option.ini beside the program or ~/.config/tabrovex/option.ini)
  --lang zh|en     the language of the usage and the messages (default: by LC_ALL,
             LC_MESSAGES, LANG); the JSON&apos;s keys and log lines are the same in all
  --help, --version
  --         ends the options: what follows is the command or WORKBOOK
Exit status: 0 done, 1 usage error, 2 workbook not read, 3 choice refused or
loading failed, 4 output not written.
</translation>
    </message>
</context>
<context>
    <name>xrange</name>
    <message>
        <source>X范围“%1”的起点须在终点之前</source>
        <translation>X range &quot;%1&quot;: the start must come before the end</translation>
    </message>
    <message>
        <source>X范围“%1”中的“%2”既不是数也不是X列那样的时间</source>
        <translation>X range &quot;%1&quot;: &quot;%2&quot; is neither a number nor a time in the X column&apos;s form</translation>
    </message>
    <message>
        <source>X范围“%1”中的“%2”不是数</source>
        <translation>X range &quot;%1&quot;: &quot;%2&quot; is not a number</translation>
    </message>
    <message>
        <source>X范围“%1”可以有几种读法，请写作 A..B</source>
        <translation>X range &quot;%1&quot; can be read more than one way; write it as A..B</translation>
    </message>
    <message>
        <source>X范围“%1”应写作 A..B（或 A:B），A、B 是数或X列那样的时间</source>
        <translation>X range &quot;%1&quot; must be A..B (or A:B), A and B numbers or times in the X column&apos;s form</translation>
    </message>
    <message>
        <source>X范围“%1”应写作 A..B（或 A:B），A、B 是数</source>
        <translation>X range &quot;%1&quot; must be A..B (or A:B), A and B numbers</translation>
    </message>
</context>
</TS>
