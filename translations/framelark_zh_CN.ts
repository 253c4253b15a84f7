<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AppModel</name>
    <message>
        <source>Can&apos;t Open Video</source>
        <translation>无法打开视频</translation>
    </message>
    <message>
        <source>“%1” can&apos;t be read. Framelark supports the video formats this computer can play, such as MP4, MOV, M4V, MKV, AVI and WebM.</source>
        <translation>无法读取“%1”。Framelark 支持这台电脑可以播放的视频格式，例如 MP4、MOV、M4V、MKV、AVI 和 WebM。</translation>
    </message>
</context>
<context>
    <name>CaptureSettings</name>
    <message numerus="yes">
        <source>Scenes · at most %n</source>
        <translation>
            <numerusform>场景 · 最多 %n 个</numerusform>
        </translation>
    </message>
    <message>
        <source>Every %1 sec</source>
        <translation>每 %1 秒</translation>
    </message>
    <message>
        <source>Precise</source>
        <translation>精确</translation>
    </message>
</context>
<context>
    <name>CaptureSettingsButton</name>
    <message>
        <source>Screenshot Settings</source>
        <translation>截图设置</translation>
    </message>
</context>
<context>
    <name>CaptureSettingsPopover</name>
    <message>
        <source>At most</source>
        <translation>最多</translation>
    </message>
    <message>
        <source>By Scene</source>
        <translation>按场景</translation>
    </message>
    <message>
        <source>By Interval</source>
        <translation>按间隔</translation>
    </message>
    <message>
        <source>By Count</source>
        <translation>按数量</translation>
    </message>
    <message>
        <source>Precise Frames</source>
        <translation>精确到帧</translation>
    </message>
    <message>
        <source>Off: grabs the nearest keyframe — much faster. On: exact to the frame.</source>
        <translation>关闭：截取最近的关键帧，速度快得多。开启：精确到帧。</translation>
    </message>
    <message>
        <source>Capture</source>
        <translation>截取方式</translation>
    </message>
    <message>
        <source>Every</source>
        <translation>每隔</translation>
    </message>
    <message>
        <source>sec</source>
        <translation>秒</translation>
    </message>
    <message>
        <source>Number of shots</source>
        <translation>截图数量</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>格式</translation>
    </message>
    <message>
        <source>Avoid Weak Frames</source>
        <translation>避开弱画面</translation>
    </message>
    <message>
        <source>A dark, blurred or repeated frame is replaced by the best frame near it.</source>
        <translation>过暗、模糊或重复的画面将被其附近最好的画面替换。</translation>
    </message>
</context>
<context>
    <name>ContentView</name>
    <message>
        <source>Toolbar</source>
        <translation>工具栏</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>返回</translation>
    </message>
    <message>
        <source>Close all videos and go back to the start screen (Esc)</source>
        <translation>关闭所有视频并返回开始屏幕 (Esc)</translation>
    </message>
    <message>
        <source>Add Videos</source>
        <translation>添加视频</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>About Framelark</source>
        <translation>关于 Framelark</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>版本 %1</translation>
    </message>
    <message>
        <source>Turns videos into still screenshots. Everything happens on this computer.</source>
        <translation>将视频转换为静态截图。一切都在这台电脑上完成。</translation>
    </message>
</context>
<context>
    <name>DropZone</name>
    <message>
        <source>Choose Videos…</source>
        <translation>选择视频…</translation>
    </message>
    <message>
        <source>Drop videos here</source>
        <translation>将视频拖放到这里</translation>
    </message>
    <message>
        <source>MP4 · MOV · M4V — drop one or several, screenshots start as soon as you let go</source>
        <translation>MP4 · MOV · M4V — 可拖入一个或多个视频，松开鼠标即开始截图</translation>
    </message>
    <message>
        <source>Set the interval or count in the toolbar first if you like</source>
        <translation>如有需要，可先在工具栏中设置间隔或数量</translation>
    </message>
</context>
<context>
    <name>Exporter</name>
    <message>
        <source>Choose a folder. A “%1 Screenshots” folder will be created inside it.</source>
        <translation>选择一个文件夹，将在其中创建“%1 截图”文件夹。</translation>
    </message>
    <message>
        <source>Choose a folder. Each video gets its own screenshots folder inside it.</source>
        <translation>选择一个文件夹，每个视频都会在其中拥有自己的截图文件夹。</translation>
    </message>
    <message>
        <source>Export Failed</source>
        <translation>导出失败</translation>
    </message>
    <message>
        <source>Export Stopped</source>
        <translation>导出已停止</translation>
    </message>
    <message>
        <source>%1 of %2 screenshots were exported before it.</source>
        <translation>在此之前已导出 %2 张截图中的 %1 张。</translation>
    </message>
    <message>
        <source>No screenshots were exported.</source>
        <translation>未导出任何截图。</translation>
    </message>
    <message>
        <source>%1 of %2 screenshots were exported into %3. Each of them is complete.</source>
        <translation>已将 %2 张截图中的 %1 张导出到 %3。每张都是完整的。</translation>
    </message>
    <message>
        <source>Choose a folder. A “%1 Preview Sprites” folder will be created inside it.</source>
        <translation>选择一个文件夹。将在其中创建“%1 预览拼图”文件夹。</translation>
    </message>
    <message>
        <source>No preview sprites were written.</source>
        <translation>未写入任何预览拼图。</translation>
    </message>
    <message>
        <source>The preview sprites in “%1” are incomplete: the WebVTT index was not written.</source>
        <translation>“%1”中的预览拼图不完整：未写入 WebVTT 索引。</translation>
    </message>
    <message>
        <source>Some Tiles Are Empty</source>
        <translation>部分图块为空</translation>
    </message>
    <message numerus="yes">
        <source>%n screenshots could not be read; their tiles are black.</source>
        <translation>
            <numerusform>%n 张截图无法读取，其图块为黑色。</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>FileDialogs</name>
    <message>
        <source>Videos (%1)</source>
        <translation>视频 (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
    <message>
        <source>Export Here</source>
        <translation>导出到此处</translation>
    </message>
    <message>
        <source>Close All Videos?</source>
        <translation>要关闭所有视频吗？</translation>
    </message>
    <message>
        <source>Shots you picked by hand will be lost.</source>
        <translation>您手动挑选的截图将会丢失。</translation>
    </message>
    <message>
        <source>Close All</source>
        <translation>全部关闭</translation>
    </message>
</context>
<context>
    <name>Framelark</name>
    <message numerus="yes">
        <source>%n shots</source>
        <translation>
            <numerusform>%n 张截图</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>MainMenus</name>
    <message>
        <source>&amp;Edit</source>
        <translation>编辑(&amp;E)</translation>
    </message>
    <message>
        <source>Select All Shots</source>
        <translation>全选截图</translation>
    </message>
    <message>
        <source>Deselect All Shots</source>
        <translation>取消全选截图</translation>
    </message>
    <message>
        <source>Deselect Weak Shots</source>
        <translation>取消选择弱截图</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>Add Videos…</source>
        <translation>添加视频…</translation>
    </message>
    <message>
        <source>Export Screenshots…</source>
        <translation>导出截图…</translation>
    </message>
    <message>
        <source>Export All Videos…</source>
        <translation>导出所有视频…</translation>
    </message>
    <message>
        <source>Create Share Image…</source>
        <translation>创建分享图…</translation>
    </message>
    <message>
        <source>Remove Video</source>
        <translation>移除视频</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>设置…</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>Framelark Website</source>
        <translation>Framelark 网站</translation>
    </message>
    <message>
        <source>Support &amp; Privacy</source>
        <translation>支持与隐私</translation>
    </message>
    <message>
        <source>Contact Support</source>
        <translation>联系支持</translation>
    </message>
    <message>
        <source>Check for a New Version…</source>
        <translation>检查新版本…</translation>
    </message>
    <message>
        <source>About Framelark</source>
        <translation>关于 Framelark</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>撤销</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>重做</translation>
    </message>
    <message>
        <source>Replace Weak Shots</source>
        <translation>替换弱截图</translation>
    </message>
    <message>
        <source>Export Preview Sprites…</source>
        <translation>导出预览拼图…</translation>
    </message>
</context>
<context>
    <name>PreviewSprites</name>
    <message>
        <source>There are no screenshots to make preview sprites from.</source>
        <translation>没有可用于制作预览拼图的截图。</translation>
    </message>
    <message>
        <source>The video’s length is unknown, so its preview sprites can’t be timed.</source>
        <translation>视频时长未知，无法为预览拼图计时。</translation>
    </message>
    <message>
        <source>The preview sprites would be too large: one picture would be %1 × %2 pixels.</source>
        <translation>预览拼图会过大：单张图片将为 %1 × %2 像素。</translation>
    </message>
    <message>
        <source>%1 Preview Sprites</source>
        <translation>%1 预览拼图</translation>
    </message>
    <message>
        <source>Couldn’t create the folder “%1”: %2.</source>
        <translation>无法创建文件夹“%1”：%2。</translation>
    </message>
    <message>
        <source>Couldn’t write “%1”: %2.</source>
        <translation>无法写入“%1”：%2。</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Can&apos;t Use This Folder</source>
        <translation>无法使用此文件夹</translation>
    </message>
    <message>
        <source>Framelark can&apos;t create folders in “%1”. Choose a folder you can write to.</source>
        <translation>Framelark 无法在“%1”中创建文件夹。请选择一个你可以写入的文件夹。</translation>
    </message>
    <message>
        <source>Ask Every Time</source>
        <translation>每次询问</translation>
    </message>
    <message>
        <source>Add “Made with Framelark” to share images</source>
        <translation>在分享图中添加“由 Framelark 制作”</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>选择…</translation>
    </message>
    <message>
        <source>Default folder</source>
        <translation>默认文件夹</translation>
    </message>
    <message>
        <source>When a default folder is set, Export saves straight into it without asking.</source>
        <translation>设置默认文件夹后，导出时将直接存入该文件夹，不再询问。</translation>
    </message>
    <message>
        <source>JPEG quality</source>
        <translation>JPEG 质量</translation>
    </message>
    <message>
        <source>Share Image</source>
        <translation>分享图</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>隐私</translation>
    </message>
    <message>
        <source>Framelark works entirely on this computer and never connects to the internet. Screenshots are kept in a private temporary folder and deleted when you go back or quit — only what you export or save is kept.</source>
        <translation>Framelark 完全在这台电脑上运行，从不连接互联网。截图保存在私有的临时文件夹中，你返回或退出时即被删除——只有你导出或保存的内容会保留下来。</translation>
    </message>
    <message>
        <source>Default Export Folder</source>
        <translation>默认导出文件夹</translation>
    </message>
    <message>
        <source>Use This Folder</source>
        <translation>使用此文件夹</translation>
    </message>
    <message>
        <source>Ask every time</source>
        <translation>每次询问</translation>
    </message>
    <message>
        <source>Write source details into exported shots</source>
        <translation>将来源信息写入导出的截图</translation>
    </message>
    <message>
        <source>The video’s file name, the shot’s time and frame number, readable by photo tools.</source>
        <translation>视频文件名、截图的时间和帧号，照片工具可读取。</translation>
    </message>
</context>
<context>
    <name>SheetPreview</name>
    <message>
        <source>Drag the preview into any app</source>
        <translation>可将预览拖到任意应用中</translation>
    </message>
</context>
<context>
    <name>SheetRenderer</name>
    <message>
        <source>Made with Framelark</source>
        <translation>由 Framelark 制作</translation>
    </message>
</context>
<context>
    <name>SheetView</name>
    <message>
        <source>%1 Share Image</source>
        <translation>%1 分享图</translation>
    </message>
    <message>
        <source>Save Share Image</source>
        <translation>保存分享图</translation>
    </message>
    <message>
        <source>JPEG Image (*.jpg *.jpeg)</source>
        <translation>JPEG 图像 (*.jpg *.jpeg)</translation>
    </message>
    <message>
        <source>PNG Image (*.png)</source>
        <translation>PNG 图像 (*.png)</translation>
    </message>
    <message>
        <source>Share Image</source>
        <translation>分享图</translation>
    </message>
    <message>
        <source>Fewer Columns</source>
        <translation>减少列数</translation>
    </message>
    <message>
        <source>More Columns</source>
        <translation>增加列数</translation>
    </message>
    <message>
        <source>%1 px</source>
        <translation>%1 像素</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>宽度</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>深色</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>浅色</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>背景</translation>
    </message>
    <message>
        <source>Timestamps</source>
        <translation>时间戳</translation>
    </message>
    <message>
        <source>Video Info</source>
        <translation>视频信息</translation>
    </message>
    <message>
        <source>Drag the preview into any app</source>
        <translation>可将预览拖到任意应用中</translation>
    </message>
    <message>
        <source>Copy Image</source>
        <translation>复制图像</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>保存…</translation>
    </message>
    <message>
        <source>Share…</source>
        <translation>分享…</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Columns: %1</source>
        <translation>列数：%1</translation>
    </message>
    <message>
        <source>This share image would be too large. Choose more columns or a smaller width.</source>
        <translation>此分享图会过大。请选择更多列或更小的宽度。</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>已复制</translation>
    </message>
    <message>
        <source>Open with Default Application</source>
        <translation>用默认应用打开</translation>
    </message>
    <message>
        <source>Show in File Manager</source>
        <translation>在文件管理器中显示</translation>
    </message>
    <message>
        <source>Attach to Email…</source>
        <translation>作为邮件附件发送…</translation>
    </message>
    <message>
        <source>Can&apos;t Attach to Email</source>
        <translation>无法添加为邮件附件</translation>
    </message>
    <message>
        <source>No e-mail program could be started. Save the image and attach it by hand.</source>
        <translation>无法启动电子邮件程序。请先保存图像，再手动添加为附件。</translation>
    </message>
    <message>
        <source>WebP Image (*.webp)</source>
        <translation>WebP 图像 (*.webp)</translation>
    </message>
    <message>
        <source>Optional</source>
        <translation>可选</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>标题</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>备注</translation>
    </message>
    <message>
        <source>Can&apos;t Save as WebP</source>
        <translation>无法存储为 WebP</translation>
    </message>
    <message>
        <source>WebP pictures can be at most %1 pixels wide and tall; this share image is %2 × %3. Save it as JPEG or PNG, or choose more columns or a smaller width.</source>
        <translation>WebP 图片的宽和高最多为 %1 像素；此分享图为 %2 × %3。请将其存储为 JPEG 或 PNG，或选择更多列或更小的宽度。</translation>
    </message>
</context>
<context>
    <name>ShotFolderWriter</name>
    <message>
        <source>%1 Screenshots</source>
        <translation>%1 截图</translation>
    </message>
    <message>
        <source>Couldn’t create the folder “%1”: %2.</source>
        <translation>无法创建文件夹“%1”：%2。</translation>
    </message>
    <message>
        <source>Couldn’t read the screenshot “%1”: %2.</source>
        <translation>无法读取截图“%1”：%2。</translation>
    </message>
    <message>
        <source>Couldn’t copy “%1” to “%2”: %3.</source>
        <translation>无法将“%1”复制到“%2”：%3。</translation>
    </message>
</context>
<context>
    <name>ShotGrid</name>
    <message>
        <source>Shots</source>
        <translation>截图</translation>
    </message>
</context>
<context>
    <name>ShotListModel</name>
    <message>
        <source>%1 · frame %2</source>
        <translation>%1 · 第 %2 帧</translation>
    </message>
    <message>
        <source>Shot %1 of %2, %3, %4</source>
        <translation>第 %1 张截图，共 %2 张，%3，%4</translation>
    </message>
    <message>
        <source>selected</source>
        <translation>已选择</translation>
    </message>
    <message>
        <source>not selected</source>
        <translation>未选择</translation>
    </message>
    <message>
        <source>Not weak</source>
        <translation>非弱截图</translation>
    </message>
    <message>
        <source>Weak: dark</source>
        <translation>弱：过暗</translation>
    </message>
    <message>
        <source>Weak: flat</source>
        <translation>弱：单色</translation>
    </message>
    <message>
        <source>Weak: blurry</source>
        <translation>弱：模糊</translation>
    </message>
    <message>
        <source>Weak: repeats the shot before</source>
        <translation>弱：与上一张重复</translation>
    </message>
    <message>
        <source>Brightness %1 · Contrast %2 · Sharpness %3 · %4</source>
        <translation>亮度 %1 · 对比度 %2 · 清晰度 %3 · %4</translation>
    </message>
</context>
<context>
    <name>ShotViewer</name>
    <message>
        <source>Shot Viewer</source>
        <translation>截图查看器</translation>
    </message>
    <message>
        <source>Shot %1 of %2</source>
        <translation>第 %1 张截图，共 %2 张</translation>
    </message>
    <message>
        <source>✓ Selected</source>
        <translation>✓ 已选择</translation>
    </message>
    <message>
        <source>Not Selected</source>
        <translation>未选择</translation>
    </message>
    <message>
        <source>Not a Shot</source>
        <translation>尚非截图</translation>
    </message>
    <message>
        <source>Press A to add it as a shot</source>
        <translation>按 A 添加为截图</translation>
    </message>
    <message>
        <source>This frame cannot be decoded</source>
        <translation>无法解码此画面</translation>
    </message>
</context>
<context>
    <name>SpriteDialog</name>
    <message>
        <source>Export Preview Sprites</source>
        <translation>导出预览拼图</translation>
    </message>
    <message>
        <source>Tile width</source>
        <translation>图块宽度</translation>
    </message>
    <message>
        <source>Columns</source>
        <translation>列数</translation>
    </message>
    <message>
        <source>Rows</source>
        <translation>行数</translation>
    </message>
    <message>
        <source>px</source>
        <translation>像素</translation>
    </message>
    <message>
        <source>The selected shots become tiles of sprite images, each holding up to columns × rows tiles, and a WebVTT file tells a web player which tile shows which time.</source>
        <translation>所选截图将成为拼图中的图块，每张拼图最多容纳 列数 × 行数 个图块；一个 WebVTT 文件告诉网页播放器哪个图块对应哪个时间。</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>导出…</translation>
    </message>
</context>
<context>
    <name>StatusText</name>
    <message>
        <source>Finding scenes…</source>
        <translation>正在查找场景…</translation>
    </message>
    <message numerus="yes">
        <source>%n weak shots deselected</source>
        <translation>
            <numerusform>已取消选择 %n 张弱截图</numerusform>
        </translation>
    </message>
    <message>
        <source>Waiting…</source>
        <translation>等待中…</translation>
    </message>
    <message>
        <source>Took %1 s</source>
        <translation>用时 %1 秒</translation>
    </message>
    <message>
        <source>%1 selected</source>
        <translation>已选 %1 张</translation>
    </message>
    <message>
        <source>%1 couldn&apos;t be read</source>
        <translation>%1 张无法读取</translation>
    </message>
    <message>
        <source>Exporting %1 of %2…</source>
        <translation>正在导出第 %1 张，共 %2 张…</translation>
    </message>
    <message>
        <source>Replacing weak shots… %1 of %2</source>
        <translation>正在替换弱截图… 第 %1 张，共 %2 张</translation>
    </message>
    <message>
        <source>No weak shots</source>
        <translation>没有弱截图</translation>
    </message>
    <message numerus="yes">
        <source>%n weak shots replaced</source>
        <translation>
            <numerusform>已替换 %n 张弱截图</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n deselected</source>
        <translation>
            <numerusform>，%n 张已取消选择</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Timeline</name>
    <message>
        <source>Timeline</source>
        <translation>时间线</translation>
    </message>
</context>
<context>
    <name>VideoDetail</name>
    <message>
        <source>Previous Frame</source>
        <translation>上一帧</translation>
    </message>
    <message>
        <source>Next Frame</source>
        <translation>下一帧</translation>
    </message>
    <message>
        <source>1 Second Earlier</source>
        <translation>提前 1 秒</translation>
    </message>
    <message>
        <source>1 Second Later</source>
        <translation>推后 1 秒</translation>
    </message>
    <message>
        <source>Create Share Image</source>
        <translation>创建分享图</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>全选</translation>
    </message>
    <message>
        <source>Deselect All</source>
        <translation>取消全选</translation>
    </message>
    <message>
        <source>Export %1</source>
        <translation>导出 %1 张</translation>
    </message>
    <message>
        <source>Open in Image Viewer</source>
        <translation>在图像查看器中打开</translation>
    </message>
    <message>
        <source>Copy Image</source>
        <translation>复制图像</translation>
    </message>
    <message>
        <source>Stop Export</source>
        <translation>停止导出</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>进度</translation>
    </message>
    <message>
        <source>Waiting for the first shots</source>
        <translation>正在等待第一批截图</translation>
    </message>
    <message>
        <source>Add Shot Here</source>
        <translation>在此添加截图</translation>
    </message>
    <message>
        <source>Adds the frame the viewer shows as a new shot (A)</source>
        <translation>将查看器显示的画面添加为新截图 (A)</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Stop Replacing Weak Shots</source>
        <translation>停止替换弱截图</translation>
    </message>
</context>
<context>
    <name>VideoItem</name>
    <message>
        <source>Move Shot</source>
        <translation>移动截图</translation>
    </message>
    <message>
        <source>Select Shot</source>
        <translation>选择截图</translation>
    </message>
    <message>
        <source>Deselect Shot</source>
        <translation>取消选择截图</translation>
    </message>
    <message>
        <source>Select All Shots</source>
        <translation>全选截图</translation>
    </message>
    <message>
        <source>Deselect All Shots</source>
        <translation>取消全选截图</translation>
    </message>
    <message>
        <source>Deselect Weak Shots</source>
        <translation>取消选择弱截图</translation>
    </message>
    <message>
        <source>Add Shot</source>
        <translation>添加截图</translation>
    </message>
    <message>
        <source>Replace Weak Shots</source>
        <translation>替换弱截图</translation>
    </message>
</context>
<context>
    <name>VideoList</name>
    <message>
        <source>Remove</source>
        <translation>移除</translation>
    </message>
    <message numerus="yes">
        <source>Export All (%n videos)</source>
        <translation>
            <numerusform>全部导出（%n 个视频）</numerusform>
        </translation>
    </message>
    <message>
        <source>Videos</source>
        <translation>视频</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Turns videos into still screenshots.</source>
        <translation>将视频转换为静态截图。</translation>
    </message>
    <message>
        <source>Video files to open.</source>
        <translation>要打开的视频文件。</translation>
    </message>
</context>
</TS>
