<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>KeyCodeDialog</name>
    <message>
        <source>%1键的编码</source>
        <translation>Code of the %1 key</translation>
    </message>
    <message>
        <source>通用编码</source>
        <translation>Generic code</translation>
    </message>
    <message>
        <source>编码类型：</source>
        <translation>Code type:</translation>
    </message>
    <message>
        <source>（此编码类型没有参数）</source>
        <translation>(this code type has no parameters)</translation>
    </message>
    <message>
        <source>信号形式：</source>
        <translation>Signal shape:</translation>
    </message>
    <message>
        <source>参数：</source>
        <translation>Parameters:</translation>
    </message>
    <message>
        <source>%1 kHz</source>
        <translation>%1 kHz</translation>
    </message>
    <message>
        <source>无载波</source>
        <translation>no carrier</translation>
    </message>
    <message>
        <source>载波：</source>
        <translation>Carrier:</translation>
    </message>
    <message>
        <source>重复帧 %1：%2 个时长</source>
        <translation>Repeat frame %1: %2 durations</translation>
    </message>
    <message>
        <source>帧 %1：%2 个时长</source>
        <translation>Frame %1: %2 durations</translation>
    </message>
    <message>
        <source>，之后静默 %1 毫秒</source>
        <translation>, then %1 ms of silence</translation>
    </message>
    <message>
        <source>帧：</source>
        <translation>Frames:</translation>
    </message>
    <message>
        <source>重放</source>
        <translation>Replayed</translation>
    </message>
    <message>
        <source>采样</source>
        <translation>Sampled</translation>
    </message>
</context>
<context>
    <name>KeyMenu</name>
    <message>
        <source>查看编码…</source>
        <translation>Show the code…</translation>
    </message>
    <message>
        <source>%1键的编码无法读出！</source>
        <translation>The code of the %1 key cannot be read!</translation>
    </message>
</context>
<context>
    <name>LibraryDialog</name>
    <message>
        <source>电视</source>
        <translation>TV</translation>
    </message>
    <message>
        <source>机顶盒</source>
        <translation>Set-top box</translation>
    </message>
    <message>
        <source>影碟机</source>
        <translation>DVD player</translation>
    </message>
    <message>
        <source>音响</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>投影仪</source>
        <translation>Projector</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>从遥控器库导入</source>
        <translation>Import from the code library</translation>
    </message>
    <message>
        <source>添加文件夹…</source>
        <translation>Add a folder…</translation>
    </message>
    <message>
        <source>移除文件夹</source>
        <translation>Remove the folder</translation>
    </message>
    <message>
        <source>遥控器库的文件夹：</source>
        <translation>Folders of the code library:</translation>
    </message>
    <message>
        <source>正在建立索引 %v/%m</source>
        <translation>Indexing %v/%m</translation>
    </message>
    <message>
        <source>品牌、型号或按键名</source>
        <translation>Brand, model or key name</translation>
    </message>
    <message>
        <source>全部类型</source>
        <translation>All kinds</translation>
    </message>
    <message>
        <source>搜索：</source>
        <translation>Search:</translation>
    </message>
    <message>
        <source>品牌</source>
        <translation>Brand</translation>
    </message>
    <message>
        <source>型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>信号数</source>
        <translation>Signals</translation>
    </message>
    <message>
        <source>信号</source>
        <translation>Signal</translation>
    </message>
    <message>
        <source>按键</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>导入</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>添加遥控器库的文件夹</source>
        <translation>Add a folder to the code library</translation>
    </message>
    <message>
        <source>无法读取按键名称文件：</source>
        <translation>The key names file cannot be read: </translation>
    </message>
    <message>
        <source>无法打开遥控器库的索引：</source>
        <translation>The code library's index cannot be opened: </translation>
    </message>
    <message>
        <source>无法添加文件夹：</source>
        <translation>The folder cannot be added: </translation>
    </message>
    <message>
        <source>无法移除文件夹：</source>
        <translation>The folder cannot be removed: </translation>
    </message>
    <message>
        <source>%1 个文件中有 %2 个无法读取</source>
        <translation>%2 of %1 files cannot be read</translation>
    </message>
    <message>
        <source>无法读取该编码文件！</source>
        <translation>The code file cannot be read!</translation>
    </message>
    <message>
        <source>（不导入）</source>
        <translation>(not imported)</translation>
    </message>
    <message>
        <source>可学习：</source>
        <translation>Can be learned: </translation>
    </message>
    <message>
        <source>（将替换已学习的编码）</source>
        <translation>(replaces the learned code)</translation>
    </message>
    <message>
        <source>不能学习：</source>
        <translation>Cannot be learned: </translation>
    </message>
    <message>
        <source>不导入：</source>
        <translation>Not imported: </translation>
    </message>
    <message>
        <source>将被替换的按键：</source>
        <translation>Keys that will be replaced: </translation>
    </message>
</context>
<context>
    <name>Prompter</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>重试</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Note</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>启动界面</source>
        <translation>Starting</translation>
    </message>
</context>
<context>
    <name>Tmainorvalin</name>
    <message>
        <source>Pronto 编码 (*.pronto)</source>
        <translation>Pronto codes (*.pronto)</translation>
    </message>
    <message>
        <source>Flipper 编码 (*.ir)</source>
        <translation>Flipper codes (*.ir)</translation>
    </message>
    <message>
        <source>LIRC 配置 (*.lircd.conf)</source>
        <translation>LIRC configuration (*.lircd.conf)</translation>
    </message>
    <message>
        <source>Broadlink 编码 (*.broadlink)</source>
        <translation>Broadlink codes (*.broadlink)</translation>
    </message>
    <message>
        <source>mode2 文本 (*.mode2)</source>
        <translation>mode2 text (*.mode2)</translation>
    </message>
    <message>
        <source>从文件学习</source>
        <translation>Learn from a file</translation>
    </message>
    <message>
        <source>遥控编码文件 (*.ir *.conf *.pronto *.hex *.mode2 *.broadlink *.b64 *.txt *.json);;所有文件 (*)</source>
        <translation>Remote code files (*.ir *.conf *.pronto *.hex *.mode2 *.broadlink *.b64 *.txt *.json);;All files (*)</translation>
    </message>
    <message>
        <source>请选择要学习的编码：</source>
        <translation>Choose the code to learn:</translation>
    </message>
    <message>
        <source>导出按键</source>
        <translation>Export a key</translation>
    </message>
    <message>
        <source>从文件学习…</source>
        <translation>Learn from a file…</translation>
    </message>
    <message>
        <source>导出按键…</source>
        <translation>Export the key…</translation>
    </message>
    <message>
        <source>未能识别该遥控器编码，请重新选择按键进行学习！</source>
        <translation>The remote code was not recognised. Pick the key again and learn it once more!</translation>
    </message>
    <message>
        <source>现在在删除状态，要学习请先停止删除！</source>
        <translation>Deleting is on. Stop deleting before you learn!</translation>
    </message>
    <message>
        <source>按键</source>
        <translation> key</translation>
    </message>
    <message>
        <source>正在学习，要停止</source>
        <translation> is being learned. To stop learning the</translation>
    </message>
    <message>
        <source>,请点击停止学习按钮</source>
        <translation>, click "Stop learning"</translation>
    </message>
    <message>
        <source>键编码已学习过，要重新学习吗?</source>
        <translation> key already holds a learned code. Learn it again?</translation>
    </message>
    <message>
        <source>无法读取该编码文件！
</source>
        <translation>The code file cannot be read!
</translation>
    </message>
    <message>
        <source>该编码文件中没有遥控器编码！</source>
        <translation>The code file holds no remote codes!</translation>
    </message>
    <message>
        <source>现在学习的是</source>
        <translation>Learning </translation>
    </message>
    <message>
        <source>区里的</source>
        <translation>: </translation>
    </message>
    <message>
        <source>键正在学习！</source>
        <translation> key!</translation>
    </message>
    <message>
        <source>已接收到遥控器编码！</source>
        <translation>The remote code has been received!</translation>
    </message>
    <message>
        <source>区的</source>
        <translation>: </translation>
    </message>
    <message>
        <source>键已接收遥控器编码！</source>
        <translation> key has received its code!</translation>
    </message>
    <message>
        <source>键没有学习过的编码，不能导出！</source>
        <translation> key holds no learned code: there is nothing to export!</translation>
    </message>
    <message>
        <source>键的编码无法导出！</source>
        <translation> key: its code cannot be exported!</translation>
    </message>
    <message>
        <source>导出按键失败！</source>
        <translation>Exporting the key failed!</translation>
    </message>
    <message>
        <source>键已导出！</source>
        <translation> key exported!</translation>
    </message>
    <message>
        <source>键已导出到</source>
        <translation> key exported to </translation>
    </message>
    <message>
        <source>删除操作完成！</source>
        <translation>Deleting done!</translation>
    </message>
    <message>
        <source>删除操作完成！之前未能写入遥控器的学习按键也已一并写入。</source>
        <translation>Deleting done! The learned keys that could not be written before have been written too.</translation>
    </message>
    <message>
        <source>删除操作失败，已删除的按键编码还没有写入遥控器！请再点击停止删除按钮重试。</source>
        <translation>Deleting failed: the deleted keys are not yet written to the remote! Click "Stop deleting" again to retry.</translation>
    </message>
    <message>
        <source>正在完成删除操作，请稍候片刻！</source>
        <translation>Finishing the deletion, please wait a moment!</translation>
    </message>
    <message>
        <source>删除操作失败！</source>
        <translation>Deleting failed!</translation>
    </message>
    <message>
        <source>请在左面遥控器上选择待删除的按键！</source>
        <translation>Click the key to delete on the remote picture!</translation>
    </message>
    <message>
        <source>现在正在学习状态，要删除请先停止学习！</source>
        <translation>Learning is on. Stop learning before you delete!</translation>
    </message>
    <message>
        <source>该键还没有自学习过，无法删除！</source>
        <translation>This key has not been learned: there is nothing to delete!</translation>
    </message>
    <message>
        <source>该按键还没有自学习过，无法删除！</source>
        <translation>This key has not been learned: there is nothing to delete!</translation>
    </message>
    <message>
        <source>你确实要删除该自学习按键的编码？</source>
        <translation>Do you really want to delete the learned code of this key?</translation>
    </message>
    <message>
        <source>要删除的按键已选定！</source>
        <translation>The key to delete is picked!</translation>
    </message>
    <message>
        <source>现在是自学习遥控器按键编码状态，要清空请先点击</source>
        <translation>Learning is on. To clear, first click </translation>
    </message>
    <message>
        <source>停止学习</source>
        <translation>Stop learning</translation>
    </message>
    <message>
        <source>按钮！</source>
        <translation>!</translation>
    </message>
    <message>
        <source>现在是删除单个遥控器按键编码状态，要清空请先点击</source>
        <translation>Deleting single keys is on. To clear, first click </translation>
    </message>
    <message>
        <source>停止删除</source>
        <translation>Stop deleting</translation>
    </message>
    <message>
        <source>没有可清空的按键的编码！</source>
        <translation>There are no learned keys to clear!</translation>
    </message>
    <message>
        <source>你确实要清空</source>
        <translation>Do you really want to clear the codes of all learned keys of the </translation>
    </message>
    <message>
        <source>设备里所有自学习过的按键的编码吗？</source>
        <translation> device?</translation>
    </message>
    <message>
        <source>正在完成清空操作，请稍候片刻！</source>
        <translation>Finishing the clearing, please wait a moment!</translation>
    </message>
    <message>
        <source>清空操作失败！</source>
        <translation>Clearing failed!</translation>
    </message>
    <message>
        <source>清空操作完成！</source>
        <translation>Clearing done!</translation>
    </message>
    <message>
        <source>删除操作失败，已删除的按键编码未能写入遥控器！</source>
        <translation>Deleting failed: the remote was not written!</translation>
    </message>
    <message>
        <source><byte value="xd" />
按“重试”再次写入，按“取消”放弃这些删除。</source>
        <translation>
Click Retry to write again, Cancel to give up these deletions.</translation>
    </message>
    <message>
        <source>您现在是在 电视/TV 里进行自学习！</source>
        <translation>You are learning in TV mode!</translation>
    </message>
    <message>
        <source>您现在是在 机顶盒/CBL 里进行自学习！</source>
        <translation>You are learning in CBL (set-top box) mode!</translation>
    </message>
    <message>
        <source>您现在是在 影碟机/DVD 里进行自学习！</source>
        <translation>You are learning in DVD mode!</translation>
    </message>
    <message>
        <source>出厂前已预置杭州地区华为机顶盒编码</source>
        <translation>Preset at the factory with the codes of Huawei set-top boxes (Hangzhou area)</translation>
    </message>
    <message>
        <source>请在左面遥控器上点击待学习的按键！</source>
        <translation>Click the key to learn on the remote picture!</translation>
    </message>
    <message>
        <source>请先点击开始学习按钮！</source>
        <translation>Click "Learn keys" first!</translation>
    </message>
    <message>
        <source>准备学习</source>
        <translation>Learn </translation>
    </message>
    <message>
        <source>区的 </source>
        <translation>: </translation>
    </message>
    <message>
        <source> 按键， 请发码</source>
        <translation> key – press it now</translation>
    </message>
    <message>
        <source>你是否确认本次自学习的按键？</source>
        <translation>Do you confirm the keys learned in this session?</translation>
    </message>
    <message>
        <source>正在完成自学习操作，请稍后片刻！</source>
        <translation>Finishing the learning, please wait a moment!</translation>
    </message>
    <message>
        <source>自学习操作完成！</source>
        <translation>Learning done!</translation>
    </message>
    <message>
        <source>自学习操作失败！</source>
        <translation>Learning failed!</translation>
    </message>
    <message>
        <source>完成自学习操作失败！</source>
        <translation>Finishing the learning failed!</translation>
    </message>
    <message>
        <source>完成自学习操作失败，学习的按键未能写入遥控器！</source>
        <translation>Learning failed: the remote was not written!</translation>
    </message>
    <message>
        <source><byte value="xd" />
按“重试”再次写入，按“取消”放弃写入。</source>
        <translation>
Click Retry to write again, Cancel to give up the write.</translation>
    </message>
    <message>
        <source>请重新选择按键进行学习！</source>
        <translation>Pick a key again to learn it!</translation>
    </message>
    <message>
        <source>无法保存遥控器编码表的备份！<byte value="xd" />
仍然要写入遥控器吗？</source>
        <translation>The backup of the remote's code table cannot be saved!
Write to the remote all the same?</translation>
    </message>
    <message>
        <source>未检测到遥控器，请检查USB连接线</source>
        <translation>No remote found. Check the USB cable</translation>
    </message>
    <message>
        <source>调用图片出错！</source>
        <translation>The pictures cannot be loaded!</translation>
    </message>
    <message>
        <source>你目前的显示器分辨率是%1*%2<byte value="xd" />
为了运行该软件，你的显示器分辨率至少要1024*768</source>
        <translation>Your screen resolution is %1*%2
This program needs a screen resolution of at least 1024*768</translation>
    </message>
    <message>
        <source>你正在学习，要退出系统请先停止学习！</source>
        <translation>You are learning. Stop learning before you close the program!</translation>
    </message>
    <message>
        <source><byte value="xd" />
未写入的编码表已保存在：</source>
        <translation>
The unwritten code table is saved in: </translation>
    </message>
    <message>
        <source><byte value="xd" />
未写入的编码表无法保存：</source>
        <translation>
The unwritten code table cannot be saved: </translation>
    </message>
    <message>
        <source>找不到帮助文件！</source>
        <translation>The help file cannot be found!</translation>
    </message>
    <message>
        <source>软件正在学习状态，要升级请退出学习状态！</source>
        <translation>The program is learning. Stop learning before you update!</translation>
    </message>
    <message>
        <source>软件正在删除状态，要升级请退出删除状态！</source>
        <translation>The program is deleting. Stop deleting before you update!</translation>
    </message>
    <message>
        <source><byte value="xd" />
遥控器中的编码表无法使用。是否用最新的备份恢复？<byte value="xd" />
</source>
        <translation>
The code table in the remote cannot be used. Restore the newest backup?
</translation>
    </message>
    <message>
        <source>已用备份恢复遥控器编码表！<byte value="xd" />
</source>
        <translation>The remote's code table has been restored from the backup!
</translation>
    </message>
    <message>
        <source><byte value="xd" />
是否从空的编码表开始？遥控器中的编码将被清除（读出的内容先备份）。</source>
        <translation>
Start from an empty code table? The codes in the remote will be erased (what was read is backed up first).</translation>
    </message>
    <message>
        <source>已从空的编码表开始！</source>
        <translation>Started from an empty code table!</translation>
    </message>
    <message>
        <source>写入遥控器失败！</source>
        <translation>Writing to the remote failed!</translation>
    </message>
    <message>
        <source>自学习</source>
        <translation>Orvalin</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>升级软件</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>关闭软件</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>现在在删除状态，要导入请先停止删除！</source>
        <translation>Deleting is on. Stop deleting before you import!</translation>
    </message>
    <message>
        <source>正在自学习，要从遥控器库导入请先停止学习！</source>
        <translation>Learning is on. Stop learning before you import from the code library!</translation>
    </message>
    <message>
        <source>以下按键已学习过，导入后编码将被替换：</source>
        <translation>These keys are learned already; the import replaces their codes:</translation>
    </message>
    <message>
        <source>
要继续导入吗?</source>
        <translation>
Go on with the import?</translation>
    </message>
    <message>
        <source>已从遥控器库导入%1个按键到%2区！</source>
        <translation>%1 keys imported from the code library into %2 mode!</translation>
    </message>
    <message>
        <source>没有可导入的按键！</source>
        <translation>There are no keys to import!</translation>
    </message>
    <message>
        <source>从遥控器库导入…</source>
        <translation>Import from the code library…</translation>
    </message>
    <message>
        <source>请再按一次该键，核对学习的编码！</source>
        <translation>Press the key once more to check the code!</translation>
    </message>
    <message>
        <source>两次按键的编码不同（%1），请再按一次该键！</source>
        <translation>The two presses differ (%1): press the key once more!</translation>
    </message>
    <message>
        <source>三次按键的编码各不相同，请重新选择按键进行学习！</source>
        <translation>Three presses, three codes: pick the key again to learn it!</translation>
    </message>
    <message>
        <source>三次按键的编码各不相同（%1），该键没有学习！</source>
        <translation>Three presses, three codes (%1): the key is not learned!</translation>
    </message>
    <message>
        <source>按两次核对编码</source>
        <translation>Check with a second press</translation>
    </message>
    <message>
        <source>遥控器中的编码表在读出之后已被其他程序改动，以下按键两边都改过：</source>
        <translation>Another program changed the remote's code table after it was read; both sides changed these keys: </translation>
    </message>
    <message>
        <source><byte value="xd" />
按“是”保留本次的编码，按“否”保留遥控器中的编码。</source>
        <translation>
Yes keeps this session's codes, No keeps the codes in the remote.</translation>
    </message>
    <message>
        <source><byte value="xd" />
遥控器正忙：另一个程序正在写入遥控器，请稍后再试。</source>
        <translation>
The remote is busy: another program is writing to it. Try again later.</translation>
    </message>
    <message>
        <source><byte value="xd" />
遥控器中的编码表在读出之后已被改动，没有写入。</source>
        <translation>
The remote's code table changed after it was read: nothing was written.</translation>
    </message>
    <message>
        <source><byte value="xd" />
写入之前无法读出遥控器的编码表，没有写入。</source>
        <translation>
The remote's code table could not be read before the write: nothing was written.</translation>
    </message>
    <message>
        <source>遥控器曾断开连接</source>
        <translation>the remote was disconnected</translation>
    </message>
    <message>
        <source>遥控器的基本信息与读出时不同</source>
        <translation>the remote's basic information differs from what was read</translation>
    </message>
    <message>
        <source><byte value="xd" />
现在连接的可能不是之前读出的遥控器（</source>
        <translation>
The remote attached now may not be the one read before (</translation>
    </message>
    <message>
        <source>），没有写入。</source>
        <translation>): nothing was written. </translation>
    </message>
    <message>
        <source>已重新读出并显示这个遥控器的编码表。</source>
        <translation>This remote's code table has been read again and is shown.</translation>
    </message>
    <message>
        <source>无法读出这个遥控器的编码表。</source>
        <translation>This remote's code table cannot be read.</translation>
    </message>
</context>
<context>
    <name>Tupdate</name>
    <message>
        <source>没有可用的升级服务器！</source>
        <translation>No update server is available!</translation>
    </message>
    <message>
        <source>获得升级配置文件出错！</source>
        <translation>The update configuration could not be fetched!</translation>
    </message>
    <message>
        <source>升级配置文件没有签名，不能升级！</source>
        <translation>The update configuration is not signed: no update!</translation>
    </message>
    <message>
        <source>升级配置文件的签名不对，不能升级！</source>
        <translation>The update configuration's signature is wrong: no update!</translation>
    </message>
    <message>
        <source>需要重新启动程序，升级才能完成！</source>
        <translation>Restart the program to complete the update!</translation>
    </message>
    <message>
        <source>升级失败，没有安装任何文件：</source>
        <translation>The update failed, no file was installed:</translation>
    </message>
    <message>
        <source>升级</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>选择服务器</source>
        <translation>Choose a server</translation>
    </message>
    <message>
        <source>下一步</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>升级进度</source>
        <translation>Update progress</translation>
    </message>
    <message>
        <source>上一步</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>中断</source>
        <translation>Abort</translation>
    </message>
    <message>
        <source>升级失败！</source>
        <translation>The update failed!</translation>
    </message>
    <message>
        <source>正在连接服务器！</source>
        <translation>Connecting to the server!</translation>
    </message>
    <message>
        <source>连接服务器成功！</source>
        <translation>Connected to the server!</translation>
    </message>
    <message>
        <source>连接服务器失败！</source>
        <translation>Connecting to the server failed!</translation>
    </message>
    <message>
        <source>软件名称</source>
        <translation>File</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>未升级</source>
        <translation>Not updated</translation>
    </message>
    <message>
        <source>“%1”下载失败</source>
        <translation>Downloading "%1" failed</translation>
    </message>
    <message>
        <source>“%1”的大小与签名的不符</source>
        <translation>The size of "%1" does not match its signature</translation>
    </message>
    <message>
        <source>“%1”的内容与签名的校验值不符</source>
        <translation>The content of "%1" does not match the signed checksum</translation>
    </message>
    <message>
        <source>升级成功</source>
        <translation>Updated</translation>
    </message>
    <message>
        <source>升级失败</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>不能保存下载的文件</source>
        <translation>The downloaded files cannot be saved</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>撤销上次升级</source>
        <translation>Undo the last update</translation>
    </message>
    <message>
        <source>这个版本的程序编译时没有设置发布者公钥，不接受在线升级。
维护者设置公钥的方法见 README 的“Serving updates yourself”一节。</source>
        <translation>This build of the program has no publisher key and accepts no online update.
How a maintainer sets the key: README, section "Serving updates yourself".</translation>
    </message>
    <message>
        <source>升级配置文件没有版本号和有效期，需要服务器重新签名，不能升级！</source>
        <translation>The update configuration has no version and expiry; the server must sign it again: no update!</translation>
    </message>
    <message>
        <source>升级配置文件的版本号或有效期格式不对，需要服务器重新签名，不能升级！</source>
        <translation>The version or expiry of the update configuration is malformed; the server must sign it again: no update!</translation>
    </message>
    <message>
        <source>升级配置文件的版本号 %1 比已经接受过的 %2 旧，可能是重放的旧配置，不能升级！</source>
        <translation>The update configuration's version %1 is older than the accepted %2, perhaps an old configuration replayed: no update!</translation>
    </message>
    <message>
        <source>升级配置文件的版本号 %1 已经用过，但内容不同，不能升级！</source>
        <translation>The update configuration's version %1 was used before with other content: no update!</translation>
    </message>
    <message>
        <source>升级配置文件已经过期（有效期到 %1），不能升级！</source>
        <translation>The update configuration has expired (valid until %1): no update!</translation>
    </message>
    <message>
        <source>已撤销上次升级，需要重新启动程序才能完成！</source>
        <translation>The last update is undone; restart the program to complete it!</translation>
    </message>
    <message>
        <source>不能撤销上次升级：%1</source>
        <translation>The last update cannot be undone: %1</translation>
    </message>
</context>
<context>
    <name>device_check</name>
    <message>
        <source>遥控器固件程序版本比较低，请到</source>
        <translation>The remote's firmware is too old. Please download the newest firmware from </translation>
    </message>
    <message>
        <source>下载最新的固件程序版本！</source>
        <translation>!</translation>
    </message>
    <message>
        <source>自学习软件版本比较低，请到</source>
        <translation>This program is too old for the remote. Please download the newest version from </translation>
    </message>
    <message>
        <source>下载最新的该款自学习软件！</source>
        <translation>!</translation>
    </message>
    <message>
        <source>网站下载最新的固件程序版本！</source>
        <translation>!</translation>
    </message>
    <message>
        <source>自学习软件不支持该遥控器，请到</source>
        <translation>This program does not support this remote. Please download the program for it from </translation>
    </message>
    <message>
        <source>网站下载支持该款的自学习软件！</source>
        <translation>!</translation>
    </message>
    <message>
        <source>遥控器固件版本比较低，请到</source>
        <translation>The remote's firmware is too old. Please download the newest firmware from </translation>
    </message>
</context>
<context>
    <name>keys</name>
    <message>
        <source>数位</source>
        <translation>-/--</translation>
    </message>
    <message>
        <source>切换</source>
        <translation>Switch</translation>
    </message>
    <message>
        <source>静音</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>自定义</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>下一段</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>上一段</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>录象</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>CBL自定义</source>
        <translation>CBL custom</translation>
    </message>
</context>
<context>
    <name>learning</name>
    <message>
        <source>遥控器编码表的数据格式不正确，无法处理！</source>
        <translation>The data of the remote's code table is malformed and cannot be handled!</translation>
    </message>
    <message>
        <source>编码数据过长（超过127字节），无法写入遥控器！</source>
        <translation>The code data is too long (over 127 bytes) to be written to the remote!</translation>
    </message>
    <message>
        <source>编码表超过遥控器能保存的4100字节，无法写入！请先删除一些自学习按键。</source>
        <translation>The code table exceeds the 4100 bytes the remote can hold and cannot be written! Delete some learned keys first.</translation>
    </message>
    <message>
        <source>遥控器编码表出错！</source>
        <translation>Error in the remote's code table!</translation>
    </message>
</context>
<context>
    <name>linkstate</name>
    <message>
        <source>未检测到遥控器，请重新连接遥控器！</source>
        <translation>The remote is not found. Please connect it again!</translation>
    </message>
    <message>
        <source>您需要关闭自学习软件吗！</source>
        <translation>Do you want to close the program?</translation>
    </message>
</context>
</TS>