<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>MeasurePanel</name>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
</context>
<context>
    <name>MeasureTool</name>
    <message>
        <source>测量</source>
        <translation>Measure</translation>
    </message>
</context>
<context>
    <name>TdataLineForm</name>
    <message>
        <source>数据曲线窗口</source>
        <translation>Data Curves</translation>
    </message>
    <message>
        <source>复制图表</source>
        <translation>Copy chart</translation>
    </message>
    <message>
        <source>保存图表...</source>
        <translation>Save chart...</translation>
    </message>
    <message>
        <source>只绘制前1000行</source>
        <translation>First 1000 rows only</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>手动调整</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>自动调整1</source>
        <translation>Auto 1</translation>
    </message>
    <message>
        <source>自动调整2</source>
        <translation>Auto 2</translation>
    </message>
    <message>
        <source>自动调整3</source>
        <translation>Auto 3</translation>
    </message>
    <message>
        <source>没有安装打印机，图表没有打印</source>
        <translation>No printer installed; the chart was not printed</translation>
    </message>
    <message>
        <source>图表已送到打印机 %1</source>
        <translation>Chart sent to printer %1</translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>PDF 文档 (*.pdf)</source>
        <translation>PDF document (*.pdf)</translation>
    </message>
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
    <name>Tmainform</name>
    <message>
        <source>Excel曲线</source>
        <translation>Excel Curves</translation>
    </message>
    <message>
        <source>文件名：</source>
        <translation>File:</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>绘制曲线</source>
        <translation>Draw curves</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>正在读取数据...</source>
        <translation>Reading data...</translation>
    </message>
    <message>
        <source>位置（在第几行）</source>
        <translation>Position (row)</translation>
    </message>
    <message>
        <source>指标名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>单    位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>数据开始</source>
        <translation>Data start</translation>
    </message>
    <message>
        <source>数据结束</source>
        <translation>Data end</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>一次只能打开一个文件，不能打开%1个</source>
        <translation>One file at a time, not %1</translation>
    </message>
    <message>
        <source>只能打开本机上的文件：%1</source>
        <translation>Only local files can be opened: %1</translation>
    </message>
    <message>
        <source>数据文件 (*.xls *.xlsx *.xlsm *.ods *.csv *.txt *.dat *.lvm *.mpt *.tsv);;电子表格文(*.xls);;所有文件 (*)</source>
        <translation>Data files (*.xls *.xlsx *.xlsm *.ods *.csv *.txt *.dat *.lvm *.mpt *.tsv);;Excel workbooks (*.xls);;All files (*)</translation>
    </message>
    <message>
        <source>（不存在）</source>
        <translation> (missing)</translation>
    </message>
    <message>
        <source>没有最近打开的文件</source>
        <translation>No recent files</translation>
    </message>
    <message>
        <source>复制文件名</source>
        <translation>Copy file name</translation>
    </message>
    <message>
        <source>上次绘制的列“%1”不在本文件中，按默认勾选</source>
        <translation>Column &apos;%1&apos; of the last chart is not in this file; default ticks used</translation>
    </message>
    <message>
        <source>”“</source>
        <comment>between two column names</comment>
        <translation>&apos;, &apos;</translation>
    </message>
    <message>
        <source>按上次绘制的列勾选：X %1，Y %2</source>
        <translation>Ticked as last drawn: X %1, Y %2</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>所选的列未能记下：%1</source>
        <translation>The chosen columns were not remembered: %1</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>跟踪文件</source>
        <translation>Follow file</translation>
    </message>
    <message>
        <source>重新读取</source>
        <translation>Read again</translation>
    </message>
    <message>
        <source>放入列表：%1 / %2 行</source>
        <translation>Into the lists: %1 / %2 rows</translation>
    </message>
    <message>
        <source>%1 行，%2 / %3 MB</source>
        <translation>%1 rows, %2 / %3 MB</translation>
    </message>
    <message>
        <source>读取已取消</source>
        <translation>Read cancelled</translation>
    </message>
    <message>
        <source>跟踪文件：%1</source>
        <translation>Following the file: %1</translation>
    </message>
    <message>
        <source>停止跟踪文件</source>
        <translation>Stopped following the file</translation>
    </message>
</context>
<context>
    <name>TsetLinecolorform</name>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>设置颜色</source>
        <translation>Colours</translation>
    </message>
    <message>
        <source>背景</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>网格</source>
        <translation>Grid</translation>
    </message>
    <message>
        <source>曲线标题</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>返回</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TsetrulerForm</name>
    <message>
        <source>手动调整标尺</source>
        <translation>Manual scale limits</translation>
    </message>
    <message>
        <source>下限</source>
        <translation>Lower</translation>
    </message>
    <message>
        <source>上限</source>
        <translation>Upper</translation>
    </message>
    <message>
        <source>指标%1</source>
        <translation>Curve %1</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>数值错误</source>
        <translation>Invalid number</translation>
    </message>
    <message>
        <source>下限值必须小于上限值</source>
        <translation>The lower limit must be below the upper limit</translation>
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
    <name>columnchoice</name>
    <message>
        <source>没有选择X坐标数据</source>
        <translation>No X column chosen</translation>
    </message>
    <message>
        <source>没有选择Y坐标数据</source>
        <translation>No Y column chosen</translation>
    </message>
    <message>
        <source>X指标个数不能超过1个</source>
        <translation>Only one X column can be chosen</translation>
    </message>
    <message>
        <source>Y指标个数不能超过4个</source>
        <translation>At most 4 Y columns can be chosen</translation>
    </message>
    <message>
        <source>各列只有%1项，没有单位和数据</source>
        <translation>The columns have only %1 items, no unit and no data</translation>
    </message>
    <message>
        <source>第%1列%2个</source>
        <translation>column %1: %2</translation>
    </message>
    <message>
        <source>各列数据个数不相同：</source>
        <translation>The columns differ in length: </translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>columnvalues</name>
    <message>
        <source>第%1列的%2个值都不是数字，无法绘制</source>
        <translation>None of the %2 values of column %1 is a number; cannot draw</translation>
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
    <name>errorguard</name>
    <message>
        <source>内存不足</source>
        <translation>Out of memory</translation>
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
    <name>log</name>
    <message>
        <source>第%1列的日期按%2读取</source>
        <translation>Dates of column %1 read as %2</translation>
    </message>
    <message>
        <source>月/日/年</source>
        <translation>month/day/year</translation>
    </message>
    <message>
        <source>日/月/年</source>
        <translation>day/month/year</translation>
    </message>
    <message>
        <source>第%1列的时间有的带日期、有的不带日期，不按时间绘制</source>
        <translation>Column %1 mixes times with and without dates; not drawn as times</translation>
    </message>
    <message>
        <source>第%1列有%2个值不是数字，不绘制</source>
        <translation>Column %1: %2 values are not numbers, not drawn</translation>
    </message>
    <message>
        <source>第%1列有%2个空值，这%2行不绘制</source>
        <translation>Column %1: %2 empty values, these %2 rows not drawn</translation>
    </message>
    <message>
        <source>第%1列有%2个值不是时间，不绘制</source>
        <translation>Column %1: %2 values are not times, not drawn</translation>
    </message>
    <message>
        <source>第%1列的时间没有日期，有%2处倒退（可能跨过了午夜），按当天的时刻绘制</source>
        <translation>Column %1 has times without dates that go back %2 times (past midnight?); drawn as times of day</translation>
    </message>
    <message>
        <source>数据超过1000行，只绘制前1000行。</source>
        <translation>More than 1000 data rows; only the first 1000 drawn.</translation>
    </message>
    <message>
        <source>绘制了%1行中的%2行。</source>
        <translation>Drew %2 of %1 rows.</translation>
    </message>
    <message>
        <source>日期值无效：%1</source>
        <translation>Invalid date value: %1</translation>
    </message>
    <message>
        <source>对象引用无效</source>
        <translation>Invalid object reference</translation>
    </message>
    <message>
        <source>对象没有可转换的值</source>
        <translation>The object has no value to convert</translation>
    </message>
    <message>
        <source>数值超出整数范围：%1</source>
        <translation>Number out of integer range: %1</translation>
    </message>
    <message>
        <source>未知的名称：%1</source>
        <translation>Unknown name: %1</translation>
    </message>
    <message>
        <source>不是数组</source>
        <translation>Not an array</translation>
    </message>
    <message>
        <source>错误值无法转换为文本（%1）</source>
        <translation>Error value cannot be converted to text (%1)</translation>
    </message>
    <message>
        <source>数组无法转换为文本</source>
        <translation>An array cannot be converted to text</translation>
    </message>
    <message>
        <source>无法把“%1”转换为整数</source>
        <translation>Cannot convert &apos;%1&apos; to an integer</translation>
    </message>
    <message>
        <source>错误值无法转换为整数（%1）</source>
        <translation>Error value cannot be converted to an integer (%1)</translation>
    </message>
    <message>
        <source>数组无法转换为整数</source>
        <translation>An array cannot be converted to an integer</translation>
    </message>
    <message>
        <source>无法创建对象：%1</source>
        <translation>Cannot create object: %1</translation>
    </message>
    <message>
        <source>没有注册的类：%1</source>
        <translation>No class registered: %1</translation>
    </message>
    <message>
        <source>跳过了开头的%1行说明文字</source>
        <translation>Skipped %1 header lines at the start</translation>
    </message>
    <message>
        <source>文件超过%1行，其后的%2行未读入</source>
        <translation>File longer than %1 rows; the %2 rows after not read</translation>
    </message>
    <message>
        <source>%1行超过%2列，其右的%3个单元格未读入</source>
        <translation>%1 rows wider than %2 columns; %3 cells to the right not read</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>参数个数不对</source>
        <translation>Wrong number of arguments</translation>
    </message>
    <message>
        <source>不能以这种方式调用</source>
        <translation>Cannot be called this way</translation>
    </message>
    <message>
        <source>应用程序已退出</source>
        <translation>The application has quit</translation>
    </message>
    <message>
        <source>下标越界</source>
        <translation>Subscript out of range</translation>
    </message>
    <message>
        <source>未知的成员</source>
        <translation>Unknown member</translation>
    </message>
    <message>
        <source>工作簿已关闭</source>
        <translation>The workbook is closed</translation>
    </message>
    <message>
        <source>无法打开工作簿 %1</source>
        <translation>Cannot open workbook %1</translation>
    </message>
    <message>
        <source>表头按%1格式读取</source>
        <translation>Header read as %1 format</translation>
    </message>
    <message>
        <source>跳过了表头与数据之间的%1行</source>
        <translation>Skipped %1 rows between the header and the data</translation>
    </message>
    <message>
        <source>文件没有列名行，各列按第N列命名</source>
        <translation>The file has no row of names; columns are named &apos;第N列&apos; (column N)</translation>
    </message>
    <message>
        <source>第%1列“%2”与第%3列“%4”合为一个时间列</source>
        <translation>Column %1 &apos;%2&apos; and column %3 &apos;%4&apos; joined into one time column</translation>
    </message>
    <message>
        <source>%1没有数据，未列出</source>
        <translation>%1 without data, not listed</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>表格有%1列，第%2列起的%3列未读入</source>
        <translation>The table has %1 columns; the %3 columns from column %2 not read</translation>
    </message>
    <message>
        <source>表格左侧的%1个单元格未读入</source>
        <translation>%1 cells left of the table not read</translation>
    </message>
    <message>
        <source>第%1行起是另一个表格，其后的%2行未读入</source>
        <translation>Another table starts at row %1; the %2 rows after not read</translation>
    </message>
    <message>
        <source>没有数据！</source>
        <translation>No data!</translation>
    </message>
    <message>
        <source>数据行数：%1 ,  列数：%2</source>
        <translation>Rows: %1, columns: %2</translation>
    </message>
    <message>
        <source>数据仅一列，条件不满足。</source>
        <translation>Only one column of data; cannot draw.</translation>
    </message>
    <message>
        <source>下标越界：Cells(%1, 1)</source>
        <translation>Subscript out of range: Cells(%1, 1)</translation>
    </message>
    <message>
        <source>读取在第%1行第%2列停止（%3），其后的数据未读入</source>
        <translation>Reading stopped at row %1, column %2 (%3); the data after not read</translation>
    </message>
    <message>
        <source>第%1列在逗号处分为两列</source>
        <translation>Column %1 split in two at its comma</translation>
    </message>
    <message>
        <source>删除了%1个行首的空字符（NUL）</source>
        <translation>Removed %1 NUL bytes at line starts</translation>
    </message>
    <message>
        <source>列名上方的%1行表头未读入</source>
        <translation>%1 header rows above the names not read</translation>
    </message>
    <message>
        <source>第1列X_Value由X0与Delta_X算出（%1 + 行号×%2）</source>
        <translation>Column 1 X_Value computed from X0 and Delta_X (%1 + row × %2)</translation>
    </message>
    <message>
        <source>第%1列</source>
        <translation>column %1</translation>
    </message>
    <message>
        <source>第一个工作表“%1”没有可绘制的数据表格，读入了工作表“%2”</source>
        <translation>The first sheet &apos;%1&apos; holds no table to chart; read sheet &apos;%2&apos;</translation>
    </message>
    <message>
        <source>第%1至%2列是%3项仪器设置（名称与值），不是数据列，未读入</source>
        <translation>Columns %1 to %2 hold %3 instrument settings (name and value), not data: not read</translation>
    </message>
</context>
<context>
    <name>plotchecks</name>
    <message>
        <source>--settings %1：</source>
        <translation>--settings %1: </translation>
    </message>
    <message>
        <source>文件不存在</source>
        <translation>no such file</translation>
    </message>
    <message>
        <source>不是普通文件</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>无法读取</source>
        <translation>cannot be read</translation>
    </message>
    <message>
        <source>表格是空的</source>
        <translation>the table is empty</translation>
    </message>
    <message numerus="yes">
        <source>表格有%n列</source>
        <translation>
            <numerusform>the table has %n column</numerusform>
            <numerusform>the table has %n columns</numerusform>
        </translation>
    </message>
    <message>
        <source>%1：第%2列超出了表格；%3</source>
        <translation>%1: column %2 is beyond the table; %3</translation>
    </message>
</context>
<context>
    <name>plotjob</name>
    <message>
        <source>放入列表：%1 / %2 行（%3%）
</source>
        <translation>Into the lists: %1 / %2 rows (%3%)
</translation>
    </message>
    <message>
        <source>读取中：%1 行，%2 / %3 MB（%4%）
</source>
        <translation>Reading: %1 rows, %2 / %3 MB (%4%)
</translation>
    </message>
    <message>
        <source>读取完毕：%1 行
</source>
        <translation>Read: %1 rows
</translation>
    </message>
    <message>
        <source>X范围“%1”不在X列的数据（%2 至 %3）之内</source>
        <translation>X range &quot;%1&quot; lies outside the X column&apos;s data (%2 to %3)</translation>
    </message>
</context>
<context>
    <name>plotmain</name>
    <message>
        <source>内存不足</source>
        <translation>Out of memory</translation>
    </message>
</context>
<context>
    <name>plotoptions</name>
    <message>
        <source>-o OUT 必须以 .png 或 .pdf 结尾，不能是“%1”</source>
        <translation>-o OUT must end in .png or .pdf, not &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--size 设置屏幕曲线图的大小；打印页有自己的大小</source>
        <translation>--size sets the screen chart&apos;s size; the printed page has its own</translation>
    </message>
    <message>
        <source>%1 需要一个值</source>
        <translation>%1 needs a value</translation>
    </message>
    <message>
        <source>--mode 只能是 1、2、3 或 manual，不能是“%1”</source>
        <translation>--mode is 1, 2, 3 or manual, not &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--rows 应为 A:B，1 &lt;= A &lt;= B，不能是“%1”</source>
        <translation>--rows is FIRST:LAST with 1 &lt;= FIRST &lt;= LAST, not &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--size 应为 宽x高，从 %1x%2 到 %3x%3，不能是“%4”</source>
        <translation>--size is WIDTHxHEIGHT from %1x%2 to %3x%3, not &apos;%4&apos;</translation>
    </message>
    <message>
        <source>未知的选项 %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>没有给出命令</source>
        <translation>no command given</translation>
    </message>
    <message>
        <source>未知的命令“%1”</source>
        <translation>unknown command &apos;%1&apos;</translation>
    </message>
    <message>
        <source>没有给出工作簿</source>
        <translation>no workbook given</translation>
    </message>
    <message>
        <source>一次只能读取一个工作簿</source>
        <translation>one workbook at a time</translation>
    </message>
    <message>
        <source>table 不接受绘图的选项</source>
        <translation>table takes no chart options</translation>
    </message>
    <message>
        <source>--rows 只能与 table 一起使用</source>
        <translation>--rows goes with table</translation>
    </message>
    <message>
        <source>chart 需要 -o OUT</source>
        <translation>chart needs -o OUT</translation>
    </message>
    <message>
        <source>第%1列不能既是X列又是Y列</source>
        <translation>column %1 cannot be both X and Y</translation>
    </message>
    <message>
        <source>-x 需要1至256的列号，不能是“%1”</source>
        <translation>-x needs a column number from 1 to 256, not &apos;%1&apos;</translation>
    </message>
    <message>
        <source>-y 需要1至256中互不相同的列号，不能是“%1”</source>
        <translation>-y needs distinct column numbers from 1 to 256, not &apos;%1&apos;</translation>
    </message>
    <message>
        <source>用法：tabrovex-plot table 工作簿 [--rows A:B] [--progress]
      tabrovex-plot chart 工作簿 [-x K] [-y K,K,...] [--mode 1|2|3|manual]
                         [--page] [--first-rows] [--size WxH] [--x-range A..B]
                         [--stats A..B] [--settings INI] [--progress] -o OUT

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
  --stats A..B     在 JSON 中加入 X 在A至B之间各行的统计（stats）：两端的X、ΔX，
             每条曲线在A、B处的值、差值、最小、最大、平均、均方根和行数；
             A、B 的写法同 --x-range
  --settings INI   设置文件，必须存在（默认：tabrovex 自己的设置文件，
             程序旁的 ini/option.ini 或 ~/.config/tabrovex/option.ini）
  --progress       读取时每秒约两次在标准错误上显示进度（已读行数、兆字节数）
  --lang zh|en     提示和说明的语言（默认由 LC_ALL、LC_MESSAGES、LANG 决定）；
             JSON 的键和日志行在任何语言下都相同
  --help, --version
  --         选项到此结束：其后是命令或工作簿
退出状态：0 完成，1 用法错误，2 未能读取工作簿，3 选择被拒绝或载入失败，
4 未能写出结果。
</source>
        <translation>Usage: tabrovex-plot table WORKBOOK [--rows A:B] [--progress]
       tabrovex-plot chart WORKBOOK [-x K] [-y K,K,...] [--mode 1|2|3|manual]
                         [--page] [--first-rows] [--size WxH] [--x-range A..B]
                         [--stats A..B] [--settings INI] [--progress] -o OUT

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
  --stats A..B     add to the JSON the statistics (stats) of the rows whose X lies
             from A to B: X at both ends, ΔX, and per curve its values at A and
             B, their difference, min, max, mean, RMS and rows; A..B as for
             --x-range
  --settings INI   settings file, which must exist (default: tabrovex&apos;s own,
             ini/option.ini beside the program or ~/.config/tabrovex/option.ini)
  --progress       shows how far the read is on standard error, about twice a
             second (rows read, megabytes)
  --lang zh|en     the language of the usage and the messages (default: by LC_ALL,
             LC_MESSAGES, LANG); the JSON&apos;s keys and log lines are the same in all
  --help, --version
  --         ends the options: what follows is the command or WORKBOOK
Exit status: 0 done, 1 usage error, 2 workbook not read, 3 choice refused or
loading failed, 4 output not written.
</translation>
    </message>
    <message>
        <source>--x-range 需要 A..B</source>
        <translation>--x-range needs A..B</translation>
    </message>
    <message>
        <source>--stats 需要 A..B</source>
        <translation>--stats needs A..B</translation>
    </message>
</context>
<context>
    <name>rangetext</name>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>A处</source>
        <translation>At A</translation>
    </message>
    <message>
        <source>B处</source>
        <translation>At B</translation>
    </message>
    <message>
        <source>Δ</source>
        <translation>Δ</translation>
    </message>
    <message>
        <source>最小</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>平均</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>均方根</source>
        <translation>RMS</translation>
    </message>
    <message>
        <source>行数</source>
        <translation>Rows</translation>
    </message>
</context>
<context>
    <name>rememberedchoice</name>
    <message>
        <source>%1（第%2个）</source>
        <translation>%1 (no. %2)</translation>
    </message>
</context>
<context>
    <name>services</name>
    <message>
        <source>Excel数据曲线</source>
        <translation>Excel Data Curves</translation>
    </message>
</context>
<context>
    <name>tablefill</name>
    <message>
        <source>文件交替写有%1层记录，各层有自己的列名行，不是一个表格</source>
        <translation>The file interleaves %1 record levels, each with its own name row: it holds no single table</translation>
    </message>
</context>
<context>
    <name>workbook</name>
    <message>
        <source>表格文字太多（超过 %1 MB）</source>
        <translation>Too much text in the table (over %1 MB)</translation>
    </message>
    <message>
        <source>含有二进制数据（第%1字节），不是文本文件</source>
        <translation>binary data at byte %1; not a text file</translation>
    </message>
    <message>
        <source>文件太大（超过 %1 MB）</source>
        <translation>File too large (over %1 MB)</translation>
    </message>
    <message>
        <source>内存不足</source>
        <translation>Out of memory</translation>
    </message>
    <message>
        <source>文件在读取时被修改或删除</source>
        <translation>The file was changed or deleted while being read</translation>
    </message>
    <message>
        <source>无法打开工作簿 %1：%2</source>
        <translation>Cannot open workbook %1: %2</translation>
    </message>
    <message>
        <source>文件不存在</source>
        <translation>no such file</translation>
    </message>
    <message>
        <source>无法读取文件</source>
        <translation>cannot read the file</translation>
    </message>
    <message>
        <source>不是普通文件</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>重复的行太多（超过%1个单元格）</source>
        <translation>too many repeated rows (over %1 cells)</translation>
    </message>
    <message>
        <source>部件 %1 的XML格式不正确（第%2行：%3）</source>
        <translation>part %1 is not well-formed XML (line %2: %3)</translation>
    </message>
    <message>
        <source>部件 %1 含有实体声明</source>
        <translation>part %1 declares entities</translation>
    </message>
    <message>
        <source>部件 %1 压缩比异常（超过 %2:1）</source>
        <translation>part %1 has an implausible compression ratio (over %2:1)</translation>
    </message>
    <message>
        <source>部件 %1 过大</source>
        <translation>part %1 is too large</translation>
    </message>
    <message>
        <source>不是Excel工作簿</source>
        <translation>not an Excel workbook</translation>
    </message>
    <message>
        <source>工作簿已加密</source>
        <translation>the workbook is encrypted</translation>
    </message>
    <message>
        <source>文件已损坏</source>
        <translation>the file is damaged</translation>
    </message>
    <message>
        <source>没有工作表</source>
        <translation>no worksheet</translation>
    </message>
    <message>
        <source>不支持二进制格式的工作簿</source>
        <translation>binary workbooks (.xlsb) are not supported</translation>
    </message>
</context>
<context>
    <name>workbookread</name>
    <message>
        <source>连接Excel失败</source>
        <translation>Cannot start the spreadsheet reader</translation>
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
