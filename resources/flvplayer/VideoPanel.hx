import flash.display.Shape;
import flash.display.Sprite;
import flash.display.Stage;
import flash.events.AsyncErrorEvent;
import flash.events.MouseEvent;
import flash.events.NetStatusEvent;
import flash.events.TimerEvent;
import flash.external.ExternalInterface;
import flash.geom.Rectangle;
import flash.media.SoundTransform;
import flash.media.Video;
import flash.net.NetConnection;
import flash.net.NetStream;
import flash.utils.Timer;

// The player clip: the video above a bar of controls, on a background that drags the clip about
// the stage. It either keeps its own size and place or fills the whole stage.
class VideoPanel extends Sprite {
	static inline var STAGE_WIDTH = 615;
	static inline var STAGE_HEIGHT = 550;
	static inline var OWN_WIDTH = 585;
	static inline var OWN_HEIGHT = 520;
	static inline var PAD = 8;
	static inline var BAR_HEIGHT = 74;
	static inline var BUTTON_RADIUS = 17;
	static inline var BUTTON_STEP = 44;
	static inline var VOLUME_WIDTH = 100;
	static inline var UNMUTED_HANDLE = 20;
	// How much of the clip stays on the stage while it is dragged, so that it can be taken back.
	static inline var KEEP_VISIBLE = 60;
	static inline var FORWARD_SECONDS = 3;
	static inline var BACKWARD_SECONDS = 5;
	// Sets the volume of the emulator's player element that shows this movie (the one that offers
	// the movie's "SetVariable" callback), for emulators that ignore the stream's sound transform.
	// Deferred, as the emulator refuses the change while the movie's code runs.
	static inline var SET_PLAYER_VOLUME = "function(v){setTimeout(function(){"
		+ "var ps=document.querySelectorAll('ruffle-player,ruffle-object,ruffle-embed');"
		+ "for(var i=0;i<ps.length;i++)if(typeof ps[i].SetVariable=='function')ps[i].volume=v;},0);}";

	public var file = "q";
	public var defaultPlay = true;

	var background:Sprite;
	var screen:Shape;
	var video:Video;
	var stream:NetStream;
	var duration = 0.0;
	var videoRatio = 0.0;
	var ended = false;
	var volume = 100.0;
	var streamTakesVolume = true;
	var muted = false;
	var fullStage = false;
	var moving = false;
	var ownX = (STAGE_WIDTH - OWN_WIDTH) / 2;
	var ownY = (STAGE_HEIGHT - OWN_HEIGHT) / 2;
	var panelWidth = 0.0;
	var panelHeight = 0.0;

	var playButton:ShapeButton;
	var pauseButton:ShapeButton;
	var stopButton:ShapeButton;
	var backwardButton:ShapeButton;
	var forwardButton:ShapeButton;
	var muteButton:ShapeButton;
	var fullStageButton:ShapeButton;
	var progress:Slider;
	var volumeSlider:Slider;

	var progressTimer = new Timer(200);
	var seekTimer = new Timer(30);
	var volumeTimer = new Timer(200);

	public function new(stage:Stage) {
		super();
		background = new Sprite();
		background.useHandCursor = false;
		screen = new Shape();
		video = new Video();
		video.name = "my_video";
		video.smoothing = true;
		addChild(background);
		addChild(screen);
		addChild(video);

		playButton = button(Icons.play, play);
		pauseButton = button(Icons.pause, pause);
		stopButton = button(Icons.stop, stop);
		backwardButton = button(Icons.backward, function() seekBy(-BACKWARD_SECONDS));
		forwardButton = button(Icons.forward, function() seekBy(FORWARD_SECONDS));
		muteButton = button(Icons.sound, toggleMute);
		fullStageButton = button(Icons.expand, toggleFullStage);
		progress = new Slider(stage, 0, 0x4CC3FF, seekTimer.start, endSeekDrag);
		volumeSlider = new Slider(stage, VOLUME_WIDTH, 0x7ED957, volumeTimer.start, endVolumeDrag);
		volumeSlider.moveTo(VOLUME_WIDTH);
		addChild(progress);
		addChild(volumeSlider);
		showPlaying(defaultPlay);

		progressTimer.addEventListener(TimerEvent.TIMER, function(_) showTime());
		seekTimer.addEventListener(TimerEvent.TIMER, function(_) seekToHandle());
		volumeTimer.addEventListener(TimerEvent.TIMER, function(_) volumeFromHandle());

		background.addEventListener(MouseEvent.MOUSE_DOWN, startMove);
		stage.addEventListener(MouseEvent.MOUSE_UP, endMove);

		x = ownX;
		y = ownY;
		layout(OWN_WIDTH, OWN_HEIGHT);
	}

	public function start():Void {
		var connection = new NetConnection();
		connection.connect(null);
		stream = new NetStream(connection);
		stream.client = {onMetaData: onMetaData};
		stream.addEventListener(NetStatusEvent.NET_STATUS, onStatus);
		// Cue points and other script data have no handler here; without a listener they throw.
		stream.addEventListener(AsyncErrorEvent.ASYNC_ERROR, function(_) {});
		video.attachNetStream(stream);
		streamTakesVolume = probeStreamVolume();
		setVolume(volume);
		stream.play(file);
		if (!defaultPlay)
			stream.pause();
		showPlaying(defaultPlay);
		progressTimer.start();
	}

	function button(look, action):ShapeButton {
		var b = new ShapeButton(BUTTON_RADIUS, look, action);
		addChild(b);
		return b;
	}

	function layout(w:Float, h:Float):Void {
		panelWidth = w;
		panelHeight = h;
		var g = background.graphics;
		g.clear();
		g.lineStyle(2, 0x1B232C);
		g.beginFill(0x33414F);
		g.drawRoundRect(0, 0, w, h, 20);
		g.endFill();

		var screenHeight = h - PAD - BAR_HEIGHT;
		g = screen.graphics;
		g.clear();
		g.beginFill(0x000000);
		g.drawRect(PAD, PAD, w - 2 * PAD, screenHeight);
		g.endFill();
		placeVideo();

		var barTop = PAD + screenHeight;
		var margin = PAD + 12;
		progress.x = margin;
		progress.y = barTop + 16;
		progress.resize(w - 2 * margin);

		var row = barTop + 50;
		var left = margin + BUTTON_RADIUS;
		place(playButton, left, row);
		place(pauseButton, left + BUTTON_STEP, row);
		place(stopButton, left + 2 * BUTTON_STEP, row);
		place(backwardButton, left + 3.5 * BUTTON_STEP, row);
		place(forwardButton, left + 4.5 * BUTTON_STEP, row);

		var right = w - margin - BUTTON_RADIUS;
		place(fullStageButton, right, row);
		volumeSlider.x = right - 1.5 * BUTTON_STEP - VOLUME_WIDTH;
		volumeSlider.y = row;
		place(muteButton, volumeSlider.x - BUTTON_STEP * 0.75, row);
	}

	static function place(b:ShapeButton, x:Float, y:Float):Void {
		b.x = x;
		b.y = y;
	}

	// The video keeps its proportions inside the black screen; until they are known it fills it.
	function placeVideo():Void {
		var areaWidth = panelWidth - 2 * PAD;
		var areaHeight = panelHeight - PAD - BAR_HEIGHT;
		var w = areaWidth;
		var h = areaHeight;
		if (videoRatio > 0) {
			if (w / h > videoRatio)
				w = h * videoRatio;
			else
				h = w / videoRatio;
		}
		video.width = w;
		video.height = h;
		video.x = PAD + (areaWidth - w) / 2;
		video.y = PAD + (areaHeight - h) / 2;
	}

	function onMetaData(info:Dynamic):Void {
		if (info.duration != null)
			duration = info.duration;
		if (info.width != null && info.height != null && info.width > 0 && info.height > 0) {
			videoRatio = info.width / info.height;
			placeVideo();
		}
	}

	function onStatus(event:NetStatusEvent):Void {
		if (event.info.code == "NetStream.Play.Stop") {
			ended = true;
			showPlaying(false);
		}
	}

	function showPlaying(playing:Bool):Void {
		playButton.setEnabled(!playing);
		pauseButton.setEnabled(playing);
	}

	function play():Void {
		if (stream == null)
			return;
		if (ended)
			seek(0);
		stream.resume();
		showPlaying(true);
	}

	function pause():Void {
		if (stream == null)
			return;
		stream.pause();
		showPlaying(false);
	}

	function stop():Void {
		if (stream == null)
			return;
		seek(0);
		stream.pause();
		progress.moveTo(0);
		showPlaying(false);
	}

	function seekBy(seconds:Float):Void {
		if (stream == null)
			return;
		var to = Math.max(0, stream.time + seconds);
		seek(duration > 0 ? Math.min(to, duration) : to);
	}

	// Once moved, a stream that had come to its end plays on from there.
	function seek(seconds:Float):Void {
		ended = false;
		stream.seek(seconds);
	}

	function showTime():Void {
		if (!progress.dragging && duration > 0)
			progress.moveTo(stream.time / duration * progress.trackWidth);
	}

	function seekToHandle():Void {
		if (stream != null && duration > 0)
			seek(duration * progress.handle.x / progress.trackWidth);
	}

	function endSeekDrag():Void {
		seekTimer.stop();
		seekToHandle();
	}

	function volumeFromHandle():Void {
		setVolume(handleVolume());
		setMuted(Std.int(volume) == 0);
	}

	function endVolumeDrag():Void {
		volumeTimer.stop();
		volumeFromHandle();
	}

	function toggleMute():Void {
		if (muted) {
			volumeSlider.moveTo(UNMUTED_HANDLE);
			setVolume(handleVolume());
		} else {
			volumeSlider.moveTo(0);
			setVolume(0);
		}
		setMuted(!muted);
	}

	function handleVolume():Float {
		return volumeSlider.handle.x / volumeSlider.trackWidth * 100;
	}

	function setVolume(value:Float):Void {
		volume = value;
		if (stream == null)
			return;
		if (streamTakesVolume)
			stream.soundTransform = new SoundTransform(volume / 100);
		else if (ExternalInterface.available)
			ExternalInterface.call(SET_PLAYER_VOLUME, volume / 100);
	}

	// Ruffle 0.6.0 ignores the stream's sound transform, and the mixer's too for a stream's sound;
	// its getter then answers full volume whatever was set.
	function probeStreamVolume():Bool {
		stream.soundTransform = new SoundTransform(0.5);
		return Math.abs(stream.soundTransform.volume - 0.5) < 0.01;
	}

	function setMuted(on:Bool):Void {
		muted = on;
		muteButton.setLook(on ? Icons.muted : Icons.sound);
	}

	function toggleFullStage():Void {
		fullStage = !fullStage;
		if (fullStage) {
			parent.setChildIndex(this, parent.numChildren - 1);
			x = 0;
			y = 0;
			layout(STAGE_WIDTH, STAGE_HEIGHT);
		} else {
			x = ownX;
			y = ownY;
			layout(OWN_WIDTH, OWN_HEIGHT);
		}
		fullStageButton.setLook(fullStage ? Icons.restore : Icons.expand);
	}

	function startMove(_:MouseEvent):Void {
		if (fullStage)
			return;
		moving = true;
		startDrag(false, new Rectangle(KEEP_VISIBLE - panelWidth, KEEP_VISIBLE - panelHeight,
			STAGE_WIDTH + panelWidth - 2 * KEEP_VISIBLE, STAGE_HEIGHT + panelHeight - 2 * KEEP_VISIBLE));
	}

	function endMove(_:MouseEvent):Void {
		if (!moving)
			return;
		stopDrag();
		moving = false;
		ownX = x;
		ownY = y;
	}
}
