<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>AppModel</name>
    <message>
        <source>Can&apos;t Open Video</source>
        <translation>無法開啟影片</translation>
    </message>
    <message>
        <source>“%1” can&apos;t be read. Framelark supports the video formats this computer can play, such as MP4, MOV, M4V, MKV, AVI and WebM.</source>
        <translation>無法讀取「%1」。Framelark 支援這台電腦可以播放的影片格式，例如 MP4、MOV、M4V、MKV、AVI 和 WebM。</translation>
    </message>
</context>
<context>
    <name>CaptureSettings</name>
    <message numerus="yes">
        <source>Scenes · at most %n</source>
        <translation>
            <numerusform>場景 · 最多 %n 個</numerusform>
        </translation>
    </message>
    <message>
        <source>Every %1 sec</source>
        <translation>每 %1 秒</translation>
    </message>
    <message>
        <source>Precise</source>
        <translation>精確</translation>
    </message>
</context>
<context>
    <name>CaptureSettingsButton</name>
    <message>
        <source>Screenshot Settings</source>
        <translation>截圖設定</translation>
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
        <translation>依場景</translation>
    </message>
    <message>
        <source>By Interval</source>
        <translation>依間隔</translation>
    </message>
    <message>
        <source>By Count</source>
        <translation>依數量</translation>
    </message>
    <message>
        <source>Precise Frames</source>
        <translation>精確到影格</translation>
    </message>
    <message>
        <source>Off: grabs the nearest keyframe — much faster. On: exact to the frame.</source>
        <translation>關閉：擷取最接近的關鍵影格，速度快得多。開啟：精確到影格。</translation>
    </message>
    <message>
        <source>Capture</source>
        <translation>擷取方式</translation>
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
        <translation>截圖數量</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>格式</translation>
    </message>
    <message>
        <source>Avoid Weak Frames</source>
        <translation>避開弱畫面</translation>
    </message>
    <message>
        <source>A dark, blurred or repeated frame is replaced by the best frame near it.</source>
        <translation>過暗、模糊或重複的畫面將被其附近最好的畫面取代。</translation>
    </message>
</context>
<context>
    <name>ContentView</name>
    <message>
        <source>Toolbar</source>
        <translation>工具列</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>返回</translation>
    </message>
    <message>
        <source>Close all videos and go back to the start screen (Esc)</source>
        <translation>關閉所有影片並返回開始畫面 (Esc)</translation>
    </message>
    <message>
        <source>Add Videos</source>
        <translation>加入影片</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>設定</translation>
    </message>
    <message>
        <source>About Framelark</source>
        <translation>關於 Framelark</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>版本 %1</translation>
    </message>
    <message>
        <source>Turns videos into still screenshots. Everything happens on this computer.</source>
        <translation>將影片轉換為靜態截圖。一切都在這台電腦上完成。</translation>
    </message>
</context>
<context>
    <name>DropZone</name>
    <message>
        <source>Choose Videos…</source>
        <translation>選擇影片…</translation>
    </message>
    <message>
        <source>Drop videos here</source>
        <translation>將影片拖放到這裡</translation>
    </message>
    <message>
        <source>MP4 · MOV · M4V — drop one or several, screenshots start as soon as you let go</source>
        <translation>MP4 · MOV · M4V — 可拖入一部或多部影片，放開滑鼠即開始截圖</translation>
    </message>
    <message>
        <source>Set the interval or count in the toolbar first if you like</source>
        <translation>如有需要，可先在工具列中設定間隔或數量</translation>
    </message>
</context>
<context>
    <name>Exporter</name>
    <message>
        <source>Choose a folder. A “%1 Screenshots” folder will be created inside it.</source>
        <translation>選擇一個資料夾，將在其中建立「%1 截圖」資料夾。</translation>
    </message>
    <message>
        <source>Choose a folder. Each video gets its own screenshots folder inside it.</source>
        <translation>選擇一個資料夾，每部影片都會在其中擁有自己的截圖資料夾。</translation>
    </message>
    <message>
        <source>Export Failed</source>
        <translation>匯出失敗</translation>
    </message>
    <message>
        <source>Export Stopped</source>
        <translation>匯出已停止</translation>
    </message>
    <message>
        <source>%1 of %2 screenshots were exported before it.</source>
        <translation>在此之前已匯出 %2 張截圖中的 %1 張。</translation>
    </message>
    <message>
        <source>No screenshots were exported.</source>
        <translation>未匯出任何截圖。</translation>
    </message>
    <message>
        <source>%1 of %2 screenshots were exported into %3. Each of them is complete.</source>
        <translation>已將 %2 張截圖中的 %1 張匯出到 %3。每張都是完整的。</translation>
    </message>
    <message>
        <source>Choose a folder. A “%1 Preview Sprites” folder will be created inside it.</source>
        <translation>選擇一個資料夾。將在其中建立「%1 預覽拼圖」資料夾。</translation>
    </message>
    <message>
        <source>No preview sprites were written.</source>
        <translation>未寫入任何預覽拼圖。</translation>
    </message>
    <message>
        <source>The preview sprites in “%1” are incomplete: the WebVTT index was not written.</source>
        <translation>「%1」中的預覽拼圖不完整：未寫入 WebVTT 索引。</translation>
    </message>
    <message>
        <source>Some Tiles Are Empty</source>
        <translation>部分圖塊為空</translation>
    </message>
    <message numerus="yes">
        <source>%n screenshots could not be read; their tiles are black.</source>
        <translation>
            <numerusform>%n 張截圖無法讀取，其圖塊為黑色。</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>FileDialogs</name>
    <message>
        <source>Videos (%1)</source>
        <translation>影片 (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>所有檔案 (*)</translation>
    </message>
    <message>
        <source>Export Here</source>
        <translation>匯出到此處</translation>
    </message>
    <message>
        <source>Close All Videos?</source>
        <translation>要關閉所有影片嗎？</translation>
    </message>
    <message>
        <source>Shots you picked by hand will be lost.</source>
        <translation>您手動挑選的截圖將會遺失。</translation>
    </message>
    <message>
        <source>Close All</source>
        <translation>全部關閉</translation>
    </message>
</context>
<context>
    <name>Framelark</name>
    <message numerus="yes">
        <source>%n shots</source>
        <translation>
            <numerusform>%n 張截圖</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>MainMenus</name>
    <message>
        <source>&amp;Edit</source>
        <translation>編輯(&amp;E)</translation>
    </message>
    <message>
        <source>Select All Shots</source>
        <translation>全選截圖</translation>
    </message>
    <message>
        <source>Deselect All Shots</source>
        <translation>取消全選截圖</translation>
    </message>
    <message>
        <source>Deselect Weak Shots</source>
        <translation>取消選取弱截圖</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>檔案(&amp;F)</translation>
    </message>
    <message>
        <source>Add Videos…</source>
        <translation>加入影片…</translation>
    </message>
    <message>
        <source>Export Screenshots…</source>
        <translation>匯出截圖…</translation>
    </message>
    <message>
        <source>Export All Videos…</source>
        <translation>匯出所有影片…</translation>
    </message>
    <message>
        <source>Create Share Image…</source>
        <translation>製作分享圖…</translation>
    </message>
    <message>
        <source>Remove Video</source>
        <translation>移除影片</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>設定…</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>結束</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>說明(&amp;H)</translation>
    </message>
    <message>
        <source>Framelark Website</source>
        <translation>Framelark 網站</translation>
    </message>
    <message>
        <source>Support &amp; Privacy</source>
        <translation>支援與隱私權</translation>
    </message>
    <message>
        <source>Contact Support</source>
        <translation>聯絡支援</translation>
    </message>
    <message>
        <source>Check for a New Version…</source>
        <translation>檢查新版本…</translation>
    </message>
    <message>
        <source>About Framelark</source>
        <translation>關於 Framelark</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>還原</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>重做</translation>
    </message>
    <message>
        <source>Replace Weak Shots</source>
        <translation>替換弱截圖</translation>
    </message>
    <message>
        <source>Export Preview Sprites…</source>
        <translation>匯出預覽拼圖…</translation>
    </message>
</context>
<context>
    <name>PreviewSprites</name>
    <message>
        <source>There are no screenshots to make preview sprites from.</source>
        <translation>沒有可用於製作預覽拼圖的截圖。</translation>
    </message>
    <message>
        <source>The video’s length is unknown, so its preview sprites can’t be timed.</source>
        <translation>影片長度未知，無法為預覽拼圖計時。</translation>
    </message>
    <message>
        <source>The preview sprites would be too large: one picture would be %1 × %2 pixels.</source>
        <translation>預覽拼圖會過大：單張圖片將為 %1 × %2 像素。</translation>
    </message>
    <message>
        <source>%1 Preview Sprites</source>
        <translation>%1 預覽拼圖</translation>
    </message>
    <message>
        <source>Couldn’t create the folder “%1”: %2.</source>
        <translation>無法建立資料夾「%1」：%2。</translation>
    </message>
    <message>
        <source>Couldn’t write “%1”: %2.</source>
        <translation>無法寫入「%1」：%2。</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Can&apos;t Use This Folder</source>
        <translation>無法使用此檔案夾</translation>
    </message>
    <message>
        <source>Framelark can&apos;t create folders in “%1”. Choose a folder you can write to.</source>
        <translation>Framelark 無法在「%1」中建立檔案夾。請選擇一個你可以寫入的檔案夾。</translation>
    </message>
    <message>
        <source>Ask Every Time</source>
        <translation>每次詢問</translation>
    </message>
    <message>
        <source>Add “Made with Framelark” to share images</source>
        <translation>在分享圖中加入「由 Framelark 製作」</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>匯出</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>選擇…</translation>
    </message>
    <message>
        <source>Default folder</source>
        <translation>預設資料夾</translation>
    </message>
    <message>
        <source>When a default folder is set, Export saves straight into it without asking.</source>
        <translation>設定預設資料夾後，匯出時會直接存入該資料夾，不再詢問。</translation>
    </message>
    <message>
        <source>JPEG quality</source>
        <translation>JPEG 品質</translation>
    </message>
    <message>
        <source>Share Image</source>
        <translation>分享圖</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>隱私權</translation>
    </message>
    <message>
        <source>Framelark works entirely on this computer and never connects to the internet. Screenshots are kept in a private temporary folder and deleted when you go back or quit — only what you export or save is kept.</source>
        <translation>Framelark 完全在這台電腦上運作，從不連上網際網路。截圖保存在私人的暫存資料夾中，你返回或結束時即會刪除——只有你匯出或儲存的內容會保留下來。</translation>
    </message>
    <message>
        <source>Default Export Folder</source>
        <translation>預設匯出資料夾</translation>
    </message>
    <message>
        <source>Use This Folder</source>
        <translation>使用此資料夾</translation>
    </message>
    <message>
        <source>Ask every time</source>
        <translation>每次詢問</translation>
    </message>
    <message>
        <source>Write source details into exported shots</source>
        <translation>將來源資訊寫入匯出的截圖</translation>
    </message>
    <message>
        <source>The video’s file name, the shot’s time and frame number, readable by photo tools.</source>
        <translation>影片檔名、截圖的時間和影格編號，相片工具可讀取。</translation>
    </message>
</context>
<context>
    <name>SheetPreview</name>
    <message>
        <source>Drag the preview into any app</source>
        <translation>可將預覽拖到任何應用程式中</translation>
    </message>
</context>
<context>
    <name>SheetRenderer</name>
    <message>
        <source>Made with Framelark</source>
        <translation>由 Framelark 製作</translation>
    </message>
</context>
<context>
    <name>SheetView</name>
    <message>
        <source>%1 Share Image</source>
        <translation>%1 分享圖</translation>
    </message>
    <message>
        <source>Save Share Image</source>
        <translation>儲存分享圖</translation>
    </message>
    <message>
        <source>JPEG Image (*.jpg *.jpeg)</source>
        <translation>JPEG 影像 (*.jpg *.jpeg)</translation>
    </message>
    <message>
        <source>PNG Image (*.png)</source>
        <translation>PNG 影像 (*.png)</translation>
    </message>
    <message>
        <source>Share Image</source>
        <translation>分享圖</translation>
    </message>
    <message>
        <source>Fewer Columns</source>
        <translation>減少欄數</translation>
    </message>
    <message>
        <source>More Columns</source>
        <translation>增加欄數</translation>
    </message>
    <message>
        <source>%1 px</source>
        <translation>%1 像素</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>寬度</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>深色</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>淺色</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>背景</translation>
    </message>
    <message>
        <source>Timestamps</source>
        <translation>時間戳記</translation>
    </message>
    <message>
        <source>Video Info</source>
        <translation>影片資訊</translation>
    </message>
    <message>
        <source>Drag the preview into any app</source>
        <translation>可將預覽拖到任何應用程式中</translation>
    </message>
    <message>
        <source>Copy Image</source>
        <translation>複製影像</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>儲存…</translation>
    </message>
    <message>
        <source>Share…</source>
        <translation>分享…</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>關閉</translation>
    </message>
    <message>
        <source>Columns: %1</source>
        <translation>欄數：%1</translation>
    </message>
    <message>
        <source>This share image would be too large. Choose more columns or a smaller width.</source>
        <translation>此分享圖會過大。請選擇更多欄或更小的寬度。</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>已複製</translation>
    </message>
    <message>
        <source>Open with Default Application</source>
        <translation>以預設應用程式開啟</translation>
    </message>
    <message>
        <source>Show in File Manager</source>
        <translation>在檔案管理員中顯示</translation>
    </message>
    <message>
        <source>Attach to Email…</source>
        <translation>以電子郵件附件傳送…</translation>
    </message>
    <message>
        <source>Can&apos;t Attach to Email</source>
        <translation>無法附加至電子郵件</translation>
    </message>
    <message>
        <source>No e-mail program could be started. Save the image and attach it by hand.</source>
        <translation>無法啟動電子郵件程式。請先儲存影像，再手動加入附件。</translation>
    </message>
    <message>
        <source>WebP Image (*.webp)</source>
        <translation>WebP 影像 (*.webp)</translation>
    </message>
    <message>
        <source>Optional</source>
        <translation>選填</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>標題</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>備註</translation>
    </message>
    <message>
        <source>Can&apos;t Save as WebP</source>
        <translation>無法儲存為 WebP</translation>
    </message>
    <message>
        <source>WebP pictures can be at most %1 pixels wide and tall; this share image is %2 × %3. Save it as JPEG or PNG, or choose more columns or a smaller width.</source>
        <translation>WebP 圖片的寬和高最多為 %1 像素；此分享圖為 %2 × %3。請將其儲存為 JPEG 或 PNG，或選擇更多欄或更小的寬度。</translation>
    </message>
</context>
<context>
    <name>ShotFolderWriter</name>
    <message>
        <source>%1 Screenshots</source>
        <translation>%1 截圖</translation>
    </message>
    <message>
        <source>Couldn’t create the folder “%1”: %2.</source>
        <translation>無法建立資料夾「%1」：%2。</translation>
    </message>
    <message>
        <source>Couldn’t read the screenshot “%1”: %2.</source>
        <translation>無法讀取截圖「%1」：%2。</translation>
    </message>
    <message>
        <source>Couldn’t copy “%1” to “%2”: %3.</source>
        <translation>無法將「%1」複製到「%2」：%3。</translation>
    </message>
</context>
<context>
    <name>ShotGrid</name>
    <message>
        <source>Shots</source>
        <translation>截圖</translation>
    </message>
</context>
<context>
    <name>ShotListModel</name>
    <message>
        <source>%1 · frame %2</source>
        <translation>%1 · 第 %2 格</translation>
    </message>
    <message>
        <source>Shot %1 of %2, %3, %4</source>
        <translation>第 %1 張截圖，共 %2 張，%3，%4</translation>
    </message>
    <message>
        <source>selected</source>
        <translation>已選取</translation>
    </message>
    <message>
        <source>not selected</source>
        <translation>未選取</translation>
    </message>
    <message>
        <source>Not weak</source>
        <translation>非弱截圖</translation>
    </message>
    <message>
        <source>Weak: dark</source>
        <translation>弱：過暗</translation>
    </message>
    <message>
        <source>Weak: flat</source>
        <translation>弱：單色</translation>
    </message>
    <message>
        <source>Weak: blurry</source>
        <translation>弱：模糊</translation>
    </message>
    <message>
        <source>Weak: repeats the shot before</source>
        <translation>弱：與上一張重複</translation>
    </message>
    <message>
        <source>Brightness %1 · Contrast %2 · Sharpness %3 · %4</source>
        <translation>亮度 %1 · 對比度 %2 · 清晰度 %3 · %4</translation>
    </message>
</context>
<context>
    <name>ShotViewer</name>
    <message>
        <source>Shot Viewer</source>
        <translation>截圖檢視器</translation>
    </message>
    <message>
        <source>Shot %1 of %2</source>
        <translation>第 %1 張截圖，共 %2 張</translation>
    </message>
    <message>
        <source>✓ Selected</source>
        <translation>✓ 已選取</translation>
    </message>
    <message>
        <source>Not Selected</source>
        <translation>未選取</translation>
    </message>
    <message>
        <source>Not a Shot</source>
        <translation>尚非截圖</translation>
    </message>
    <message>
        <source>Press A to add it as a shot</source>
        <translation>按 A 新增為截圖</translation>
    </message>
    <message>
        <source>This frame cannot be decoded</source>
        <translation>無法解碼此畫面</translation>
    </message>
</context>
<context>
    <name>SpriteDialog</name>
    <message>
        <source>Export Preview Sprites</source>
        <translation>匯出預覽拼圖</translation>
    </message>
    <message>
        <source>Tile width</source>
        <translation>圖塊寬度</translation>
    </message>
    <message>
        <source>Columns</source>
        <translation>欄數</translation>
    </message>
    <message>
        <source>Rows</source>
        <translation>列數</translation>
    </message>
    <message>
        <source>px</source>
        <translation>像素</translation>
    </message>
    <message>
        <source>The selected shots become tiles of sprite images, each holding up to columns × rows tiles, and a WebVTT file tells a web player which tile shows which time.</source>
        <translation>所選截圖將成為拼圖中的圖塊，每張拼圖最多容納 欄數 × 列數 個圖塊；一個 WebVTT 檔案告訴網頁播放器哪個圖塊對應哪個時間。</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>匯出…</translation>
    </message>
</context>
<context>
    <name>StatusText</name>
    <message>
        <source>Finding scenes…</source>
        <translation>正在尋找場景…</translation>
    </message>
    <message numerus="yes">
        <source>%n weak shots deselected</source>
        <translation>
            <numerusform>已取消選取 %n 張弱截圖</numerusform>
        </translation>
    </message>
    <message>
        <source>Waiting…</source>
        <translation>等待中…</translation>
    </message>
    <message>
        <source>Took %1 s</source>
        <translation>耗時 %1 秒</translation>
    </message>
    <message>
        <source>%1 selected</source>
        <translation>已選 %1 張</translation>
    </message>
    <message>
        <source>%1 couldn&apos;t be read</source>
        <translation>%1 張無法讀取</translation>
    </message>
    <message>
        <source>Exporting %1 of %2…</source>
        <translation>正在匯出第 %1 張，共 %2 張…</translation>
    </message>
    <message>
        <source>Replacing weak shots… %1 of %2</source>
        <translation>正在替換弱截圖… 第 %1 張，共 %2 張</translation>
    </message>
    <message>
        <source>No weak shots</source>
        <translation>沒有弱截圖</translation>
    </message>
    <message numerus="yes">
        <source>%n weak shots replaced</source>
        <translation>
            <numerusform>已替換 %n 張弱截圖</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n deselected</source>
        <translation>
            <numerusform>，%n 張已取消選取</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Timeline</name>
    <message>
        <source>Timeline</source>
        <translation>時間軸</translation>
    </message>
</context>
<context>
    <name>VideoDetail</name>
    <message>
        <source>Previous Frame</source>
        <translation>上一格</translation>
    </message>
    <message>
        <source>Next Frame</source>
        <translation>下一格</translation>
    </message>
    <message>
        <source>1 Second Earlier</source>
        <translation>提前 1 秒</translation>
    </message>
    <message>
        <source>1 Second Later</source>
        <translation>延後 1 秒</translation>
    </message>
    <message>
        <source>Create Share Image</source>
        <translation>製作分享圖</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>全選</translation>
    </message>
    <message>
        <source>Deselect All</source>
        <translation>取消全選</translation>
    </message>
    <message>
        <source>Export %1</source>
        <translation>匯出 %1 張</translation>
    </message>
    <message>
        <source>Open in Image Viewer</source>
        <translation>在影像檢視器中開啟</translation>
    </message>
    <message>
        <source>Copy Image</source>
        <translation>複製影像</translation>
    </message>
    <message>
        <source>Stop Export</source>
        <translation>停止匯出</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>進度</translation>
    </message>
    <message>
        <source>Waiting for the first shots</source>
        <translation>正在等待第一批截圖</translation>
    </message>
    <message>
        <source>Add Shot Here</source>
        <translation>在此新增截圖</translation>
    </message>
    <message>
        <source>Adds the frame the viewer shows as a new shot (A)</source>
        <translation>將檢視器顯示的畫面新增為新截圖 (A)</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Stop Replacing Weak Shots</source>
        <translation>停止替換弱截圖</translation>
    </message>
</context>
<context>
    <name>VideoItem</name>
    <message>
        <source>Move Shot</source>
        <translation>移動截圖</translation>
    </message>
    <message>
        <source>Select Shot</source>
        <translation>選取截圖</translation>
    </message>
    <message>
        <source>Deselect Shot</source>
        <translation>取消選取截圖</translation>
    </message>
    <message>
        <source>Select All Shots</source>
        <translation>全選截圖</translation>
    </message>
    <message>
        <source>Deselect All Shots</source>
        <translation>取消全選截圖</translation>
    </message>
    <message>
        <source>Deselect Weak Shots</source>
        <translation>取消選取弱截圖</translation>
    </message>
    <message>
        <source>Add Shot</source>
        <translation>新增截圖</translation>
    </message>
    <message>
        <source>Replace Weak Shots</source>
        <translation>替換弱截圖</translation>
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
            <numerusform>全部匯出（%n 部影片）</numerusform>
        </translation>
    </message>
    <message>
        <source>Videos</source>
        <translation>影片</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Turns videos into still screenshots.</source>
        <translation>將影片轉換為靜態截圖。</translation>
    </message>
    <message>
        <source>Video files to open.</source>
        <translation>要開啟的影片檔案。</translation>
    </message>
</context>
</TS>
