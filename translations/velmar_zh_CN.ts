<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>QObject</name>
    <message>
        <source>Settings files (*.json)</source>
        <translation>设置文件 (*.json)</translation>
    </message>
    <message>
        <source>Save settings</source>
        <translation>保存设置</translation>
    </message>
    <message>
        <source>Load settings</source>
        <translation>载入设置</translation>
    </message>
    <message>
        <source>The default sweep: throttle 40 to 200 by 20</source>
        <translation>默认扫描：油门 40 到 200，步长 20</translation>
    </message>
    <message>
        <source>The last script: %1</source>
        <translation>上次的脚本：%1</translation>
    </message>
    <message>
        <source>A script file…</source>
        <translation>脚本文件…</translation>
    </message>
    <message>
        <source>Bench run</source>
        <translation>台架测试</translation>
    </message>
    <message>
        <source>Bench-run script</source>
        <translation>台架测试脚本</translation>
    </message>
    <message>
        <source>Scripts (*.json)</source>
        <translation>脚本 (*.json)</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>&amp;Run:</source>
        <translation>运行(&amp;R):</translation>
    </message>
    <message>
        <source>Bench &amp;sensor:</source>
        <translation>台架传感器(&amp;S):</translation>
    </message>
    <message>
        <source>&amp;Baud rate:</source>
        <translation>波特率(&amp;B):</translation>
    </message>
</context>
<context>
    <name>Str_Const</name>
    <message>
        <source>Unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>Unconnected</source>
        <translation>未连接</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>已连接</translation>
    </message>
</context>
<context>
    <name>velmar::BenchChartWindow</name>
    <message>
        <source>Mean speed per step; bars from min to max</source>
        <translation>每步平均转速；竖条表示最小值到最大值</translation>
    </message>
    <message>
        <source>The run stopped early: %1</source>
        <translation>运行提前停止：%1</translation>
    </message>
    <message>
        <source>Throttle</source>
        <translation>油门</translation>
    </message>
    <message>
        <source>r/min</source>
        <translation>转/分</translation>
    </message>
    <message>
        <source>This run</source>
        <translation>本次运行</translation>
    </message>
    <message>
        <source>Compared run</source>
        <translation>对比运行</translation>
    </message>
    <message>
        <source>Compared: %1</source>
        <translation>对比：%1</translation>
    </message>
    <message>
        <source>Bench run</source>
        <translation>台架测试</translation>
    </message>
    <message>
        <source>&amp;Compare with…</source>
        <translation>对比(&amp;C)…</translation>
    </message>
    <message>
        <source>&amp;Export…</source>
        <translation>导出(&amp;E)…</translation>
    </message>
    <message>
        <source>Compare with a bench result</source>
        <translation>与台架测试结果对比</translation>
    </message>
    <message>
        <source>Bench results (*.csv);;All files (*)</source>
        <translation>台架测试结果 (*.csv);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Export the chart</source>
        <translation>导出图表</translation>
    </message>
    <message>
        <source>PNG picture (*.png);;SVG drawing (*.svg)</source>
        <translation>PNG 图片 (*.png);;SVG 矢量图 (*.svg)</translation>
    </message>
    <message>
        <source>%1 (interrupted)</source>
        <translation>%1（已中断）</translation>
    </message>
    <message>
        <source>Thrust (g)</source>
        <translation>推力 (g)</translation>
    </message>
    <message>
        <source>Current (A)</source>
        <translation>电流 (A)</translation>
    </message>
    <message>
        <source>Power (W)</source>
        <translation>功率 (W)</translation>
    </message>
    <message>
        <source>Efficiency (g/W)</source>
        <translation>效率 (g/W)</translation>
    </message>
    <message>
        <source>Mean per step: %1</source>
        <translation>每级平均值：%1</translation>
    </message>
    <message>
        <source>%1; r/min on the right</source>
        <translation>%1；右侧为转/分</translation>
    </message>
    <message>
        <source>This run: r/min</source>
        <translation>本次运行：转/分</translation>
    </message>
    <message>
        <source>C&amp;urve:</source>
        <translation>曲线(&amp;U):</translation>
    </message>
</context>
<context>
    <name>velmar::FleetWindow</name>
    <message>
        <source>cutoff voltage</source>
        <translation>低压保护电压</translation>
    </message>
    <message>
        <source>brake</source>
        <translation>刹车</translation>
    </message>
    <message>
        <source>timing advance</source>
        <translation>电机进角</translation>
    </message>
    <message>
        <source>cutoff type</source>
        <translation>低压保护方式</translation>
    </message>
    <message>
        <source>rotation direction</source>
        <translation>电机转向</translation>
    </message>
    <message>
        <source>several ESCs</source>
        <translation>多个电调</translation>
    </message>
    <message>
        <source>ESCs</source>
        <translation>电调</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Hardware</source>
        <translation>硬件</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>固件</translation>
    </message>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>What the ESCs hold after the last writes.</source>
        <translation>最近写入后各电调保存的内容。</translation>
    </message>
    <message>
        <source>&amp;Load from file</source>
        <translation>从文件加载(&amp;L)</translation>
    </message>
    <message>
        <source>&amp;Save to file</source>
        <translation>保存到文件(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Copy from…</source>
        <translation>复制自(&amp;C)…</translation>
    </message>
    <message>
        <source>Reads a settings file, shows what it changes on each ESC and on OK writes it.</source>
        <translation>读取设置文件，显示它对每个电调的更改，确定后写入。</translation>
    </message>
    <message>
        <source>Writes the ESCs&apos; common settings, or one ESC&apos;s, to a settings file.</source>
        <translation>将各电调的共同设置或某一个电调的设置写入设置文件。</translation>
    </message>
    <message>
        <source>Gives every other ESC one ESC&apos;s five settings.</source>
        <translation>把一个电调的五项设置赋给其他每个电调。</translation>
    </message>
    <message>
        <source>differs</source>
        <translation>不同</translation>
    </message>
    <message>
        <source>%1 of %2 connected</source>
        <translation>%2 个中 %1 个已连接</translation>
    </message>
    <message>
        <source>refused</source>
        <translation>被拒绝</translation>
    </message>
    <message>
        <source>lost</source>
        <translation>丢失</translation>
    </message>
    <message>
        <source>%1 does not open</source>
        <translation>%1 无法打开</translation>
    </message>
    <message>
        <source>%1, %2: %3</source>
        <translation>%1，%2：%3</translation>
    </message>
    <message>
        <source>, differs from the others</source>
        <translation>，与其他不同</translation>
    </message>
    <message>
        <source>, writing</source>
        <translation>，正在写入</translation>
    </message>
    <message>
        <source>, written and confirmed</source>
        <translation>，已写入并确认</translation>
    </message>
    <message>
        <source>, refused by the ESC, which holds this</source>
        <translation>，被电调拒绝，电调保持此值</translation>
    </message>
    <message>
        <source>, the write was lost</source>
        <translation>，写入丢失</translation>
    </message>
    <message>
        <source>No ESC&apos;s port opened.</source>
        <translation>没有电调的端口能打开。</translation>
    </message>
    <message>
        <source>Writing and reading back…</source>
        <translation>正在写入并回读…</translation>
    </message>
    <message>
        <source>%1 of %2 ESCs hold every setting</source>
        <translation>%2 个电调中 %1 个保存了每项设置</translation>
    </message>
    <message>
        <source>; %1 kept %2: %3</source>
        <translation>；%1 保留了%2：%3</translation>
    </message>
    <message>
        <source>; %1: a write was lost</source>
        <translation>；%1：一次写入丢失</translation>
    </message>
    <message>
        <source>%1 of %2 ESCs read</source>
        <translation>已读取 %2 个电调中的 %1 个</translation>
    </message>
    <message numerus="yes">
        <source>; %n setting(s) differ</source>
        <translation>
            <numerusform>；%n 项设置不同</numerusform>
        </translation>
    </message>
    <message>
        <source>No ESC has been read yet.</source>
        <translation>尚未读取任何电调。</translation>
    </message>
    <message>
        <source>%1: not read, left out</source>
        <translation>%1：未读取，已略过</translation>
    </message>
    <message>
        <source>%1: %2 %3 → %4</source>
        <translation>%1：%2 %3 → %4</translation>
    </message>
    <message>
        <source>%1: already holds these settings</source>
        <translation>%1：已保存这些设置</translation>
    </message>
    <message>
        <source>Write to %1 as well: it is a %2, the settings are from a %3</source>
        <translation>也写入 %1：它是 %2，这些设置来自 %3</translation>
    </message>
    <message>
        <source>Not loaded: %1</source>
        <translation>未加载：%1</translation>
    </message>
    <message>
        <source>Load settings</source>
        <translation>加载设置</translation>
    </message>
    <message>
        <source>Saved to %1.</source>
        <translation>已保存到 %1。</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>未保存：%1</translation>
    </message>
    <message>
        <source>Save settings</source>
        <translation>保存设置</translation>
    </message>
    <message>
        <source>The ESCs differ. Save the settings of:</source>
        <translation>各电调设置不同。保存以下电调的设置：</translation>
    </message>
    <message>
        <source>Copy settings</source>
        <translation>复制设置</translation>
    </message>
    <message>
        <source>Give every other ESC the settings of:</source>
        <translation>把以下电调的设置赋给其他每个电调：</translation>
    </message>
    <message>
        <source>One column for each ESC; “All” shows what they share, and ≠ marks a setting on which they differ. A value chosen in an ESC&apos;s cell (Enter or F2) goes to that ESC, one chosen in “All” to every ESC that differs; each write is read back. This window never drives a motor: it sends no throttle.</source>
        <translation>每个电调一列；“全部”显示它们的共同值，≠ 标出它们不同的设置。在某个电调的单元格中选择的值（回车或 F2）写入该电调，在“全部”中选择的值写入每个不同的电调；每次写入都会回读。此窗口从不驱动电机：它不发送油门。</translation>
    </message>
</context>
<context>
    <name>velmar::FormQKconfig</name>
    <message>
        <source>&amp;Config</source>
        <translation>配置(&amp;C)</translation>
    </message>
    <message>
        <source> &amp;Run</source>
        <translation>运行(&amp;R)</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>页面</translation>
    </message>
    <message>
        <source>Config: the ESC&apos;s settings. Run: the motor test.</source>
        <translation>配置：电调的各项设置。运行：电机测试。</translation>
    </message>
    <message>
        <source>Connection</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>状态：</translation>
    </message>
    <message>
        <source>Hardware:</source>
        <translation>硬件：</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>固件：</translation>
    </message>
    <message>
        <source>Serial port</source>
        <translation>串口</translation>
    </message>
    <message>
        <source>The port the ESC is on; choosing one connects to it.</source>
        <translation>电调所接的串口；选中即连接。</translation>
    </message>
    <message>
        <source>Connection status</source>
        <translation>连接状态</translation>
    </message>
    <message>
        <source>Whether an ESC answers on the port.</source>
        <translation>该端口上是否有电调应答。</translation>
    </message>
    <message>
        <source>Hardware</source>
        <translation>硬件</translation>
    </message>
    <message>
        <source>The ESC&apos;s model and hardware version.</source>
        <translation>电调的型号和硬件版本。</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>固件</translation>
    </message>
    <message>
        <source>The ESC&apos;s firmware version.</source>
        <translation>电调的固件版本。</translation>
    </message>
    <message>
        <source>1.Cutoff Voltage</source>
        <translation>1.低压保护电压</translation>
    </message>
    <message>
        <source>4.8V</source>
        <translation>4.8V</translation>
    </message>
    <message>
        <source>5.6V *</source>
        <translation>5.6V *</translation>
    </message>
    <message>
        <source>6.0V</source>
        <translation>6.0V</translation>
    </message>
    <message>
        <source>7.2V</source>
        <translation>7.2V</translation>
    </message>
    <message>
        <source>8.4V</source>
        <translation>8.4V</translation>
    </message>
    <message>
        <source>9.0V</source>
        <translation>9.0V</translation>
    </message>
    <message>
        <source>11.0V</source>
        <translation>11.0V</translation>
    </message>
    <message>
        <source>12.0V</source>
        <translation>12.0V</translation>
    </message>
    <message>
        <source>2.Brake</source>
        <translation>2.刹车</translation>
    </message>
    <message>
        <source>Disable *</source>
        <translation>关闭 *</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>开启</translation>
    </message>
    <message>
        <source>3.Timing Advance</source>
        <translation>3.电机进角</translation>
    </message>
    <message>
        <source>4-10°</source>
        <translation>4-10°</translation>
    </message>
    <message>
        <source>10-20° *</source>
        <translation>10-20° *</translation>
    </message>
    <message>
        <source>20-30°</source>
        <translation>20-30°</translation>
    </message>
    <message>
        <source>4.Cutoff Type</source>
        <translation>4.低压保护方式</translation>
    </message>
    <message>
        <source>Hard Cutoff</source>
        <translation>立即关断</translation>
    </message>
    <message>
        <source>Soft Cutoff *</source>
        <translation>逐渐降功率 *</translation>
    </message>
    <message>
        <source>5.Rotation Direction</source>
        <translation>5.电机转向</translation>
    </message>
    <message>
        <source>Forward *</source>
        <translation>正转 *</translation>
    </message>
    <message>
        <source>Reverse</source>
        <translation>反转</translation>
    </message>
    <message>
        <source>R&amp;estore Default</source>
        <translation>恢复默认(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Save to file</source>
        <translation>保存到文件(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Load from file</source>
        <translation>从文件载入(&amp;L)</translation>
    </message>
    <message>
        <source>Cutoff voltage</source>
        <translation>低压保护电压</translation>
    </message>
    <message>
        <source>The battery voltage at which the ESC cuts the motor&apos;s power. * marks the default.</source>
        <translation>电池电压降到此值时，电调切断电机动力。* 表示默认值。</translation>
    </message>
    <message>
        <source>Brake</source>
        <translation>刹车</translation>
    </message>
    <message>
        <source>Whether the motor is braked when the throttle closes.</source>
        <translation>收油门时是否对电机刹车。</translation>
    </message>
    <message>
        <source>Timing advance</source>
        <translation>电机进角</translation>
    </message>
    <message>
        <source>The motor&apos;s commutation timing advance, in electrical degrees.</source>
        <translation>电机换相的超前角，以电角度计。</translation>
    </message>
    <message>
        <source>Cutoff type</source>
        <translation>低压保护方式</translation>
    </message>
    <message>
        <source>Hard: the power stops at the cutoff voltage. Soft: it is reduced gradually.</source>
        <translation>立即关断：到达保护电压即切断动力。逐渐降功率：动力逐步降低。</translation>
    </message>
    <message>
        <source>Rotation direction</source>
        <translation>电机转向</translation>
    </message>
    <message>
        <source>The motor&apos;s direction of rotation.</source>
        <translation>电机的旋转方向。</translation>
    </message>
    <message>
        <source>Restore default</source>
        <translation>恢复默认</translation>
    </message>
    <message>
        <source>Selects the default entry of every setting and writes them to the ESC.</source>
        <translation>将每项设置恢复为默认值并写入电调。</translation>
    </message>
    <message>
        <source>Motor Magnet Poles:</source>
        <translation>电机磁极数：</translation>
    </message>
    <message>
        <source>Rev:</source>
        <translation>转速：</translation>
    </message>
    <message>
        <source>r/min</source>
        <translation>转/分</translation>
    </message>
    <message>
        <source>Throttle:</source>
        <translation>油门：</translation>
    </message>
    <message>
        <source>Motor magnet poles</source>
        <translation>电机磁极数</translation>
    </message>
    <message>
        <source>The motor&apos;s number of magnet poles, which turns the ESC&apos;s reading into r/min.</source>
        <translation>电机的磁极数，用于把电调的读数换算为转/分。</translation>
    </message>
    <message>
        <source>Motor magnet poles, 2 to 24</source>
        <translation>电机磁极数，2 到 24</translation>
    </message>
    <message>
        <source>Up and Down change it by 2.</source>
        <translation>上、下方向键每次改变 2。</translation>
    </message>
    <message>
        <source>Speed in r/min</source>
        <translation>转速（转/分）</translation>
    </message>
    <message>
        <source>The motor&apos;s speed, averaged over its last readings.</source>
        <translation>电机转速，取最近几次读数的平均值。</translation>
    </message>
    <message>
        <source>Throttle, 0 to 200</source>
        <translation>油门，0 到 200</translation>
    </message>
    <message>
        <source>The throttle sent to the ESC. Page Up and Page Down move it by 5.</source>
        <translation>发送给电调的油门。Page Up 和 Page Down 每次改变 5。</translation>
    </message>
    <message>
        <source>The throttle the slider is set to.</source>
        <translation>滑块所设的油门。</translation>
    </message>
    <message>
        <source>Speed trend</source>
        <translation>转速趋势</translation>
    </message>
    <message>
        <source>The speed over the last 30 seconds.</source>
        <translation>最近 30 秒的转速。</translation>
    </message>
    <message>
        <source>Could not open:</source>
        <translation>无法打开：</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>未保存：%1</translation>
    </message>
    <message>
        <source>Save settings</source>
        <translation>保存设置</translation>
    </message>
    <message>
        <source>Saved to %1.</source>
        <translation>已保存到 %1。</translation>
    </message>
    <message>
        <source>Not loaded: %1</source>
        <translation>未载入：%1</translation>
    </message>
    <message>
        <source>Load settings</source>
        <translation>载入设置</translation>
    </message>
    <message>
        <source>%1: %2 → %3</source>
        <translation>%1：%2 → %3</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>The ESC already holds these settings: nothing to change.</source>
        <translation>电调已是这些设置，无需更改。</translation>
    </message>
    <message>
        <source>Change on the ESC:
%1</source>
        <translation>将在电调上更改：
%1</translation>
    </message>
    <message>
        <source>

Warning: the file is from a %1, this ESC is a %2.</source>
        <translation>

警告：该文件来自 %1，而此电调是 %2。</translation>
    </message>
    <message>
        <source>unknown ESC</source>
        <translation>未知电调</translation>
    </message>
    <message numerus="yes">
        <source>Writing %n setting(s) to the ESC…</source>
        <translation>
            <numerusform>正在向电调写入 %n 项设置…</numerusform>
        </translation>
    </message>
    <message>
        <source>The ESC confirmed every setting.</source>
        <translation>电调已确认全部设置。</translation>
    </message>
    <message>
        <source>The ESC did not take: %1.</source>
        <translation>电调未接受：%1。</translation>
    </message>
    <message>
        <source>Writes the connected ESC&apos;s settings to a settings file.</source>
        <translation>把所连电调的设置写入设置文件。</translation>
    </message>
    <message>
        <source>Reads a settings file, shows what it changes and on OK writes it to the ESC.</source>
        <translation>读取设置文件，显示将更改的内容，确认后写入电调。</translation>
    </message>
    <message>
        <source>What Save and Load did.</source>
        <translation>保存和载入的结果。</translation>
    </message>
    <message>
        <source>stopped by the user</source>
        <translation>用户停止</translation>
    </message>
    <message>
        <source>left the Run page</source>
        <translation>离开了运行页</translation>
    </message>
    <message>
        <source>&amp;Bench run…</source>
        <translation>台架测试(&amp;B)…</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>The run record stopped: %1</source>
        <translation>运行记录已停止：%1</translation>
    </message>
    <message>
        <source>Cannot write the results: %1</source>
        <translation>无法写入结果：%1</translation>
    </message>
    <message>
        <source>Step %1 of %2: throttle %3, about %4 s left</source>
        <translation>第 %1/%2 步：油门 %3，约剩 %4 秒</translation>
    </message>
    <message>
        <source>Bench run done: %1</source>
        <translation>台架测试完成：%1</translation>
    </message>
    <message>
        <source>Bench run stopped (%1): %2</source>
        <translation>台架测试已停止（%1）：%2</translation>
    </message>
    <message>
        <source>The ESC did not confirm the stop: the motor may still be running.</source>
        <translation>电调未确认停止：电机可能仍在运转。</translation>
    </message>
    <message>
        <source>The motor is still stopping: start the bench run once it stands.</source>
        <translation>电机仍在停止中：请在电机停稳后再开始台架测试。</translation>
    </message>
    <message>
        <source>the window closed</source>
        <translation>窗口已关闭</translation>
    </message>
    <message>
        <source>the port changed</source>
        <translation>端口已更改</translation>
    </message>
    <message>
        <source>Bench sensor</source>
        <translation>台架传感器</translation>
    </message>
    <message>
        <source>The bench sensor&apos;s latest reading during a run, its zero at rest taken off.</source>
        <translation>运行期间台架传感器的最新读数，已减去静止时的零点。</translation>
    </message>
    <message>
        <source>This script&apos;s limits watch a bench sensor: choose the sensor&apos;s port.</source>
        <translation>此脚本的限值需要台架传感器：请选择传感器的端口。</translation>
    </message>
    <message>
        <source>The bench sensor cannot be used: %1</source>
        <translation>无法使用台架传感器：%1</translation>
    </message>
    <message>
        <source>Thrust %1</source>
        <translation>推力 %1</translation>
    </message>
    <message>
        <source>Current %1</source>
        <translation>电流 %1</translation>
    </message>
    <message>
        <source>Voltage %1</source>
        <translation>电压 %1</translation>
    </message>
    <message>
        <source>Power %1</source>
        <translation>功率 %1</translation>
    </message>
</context>
<context>
    <name>velmar::SpeedTrendView</name>
    <message>
        <source>%1 r/min</source>
        <translation>%1 转/分</translation>
    </message>
    <message>
        <source>last %1 s</source>
        <translation>最近 %1 秒</translation>
    </message>
</context>
</TS>
