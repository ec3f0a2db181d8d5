import flash.display.Shape;
import flash.display.Sprite;
import flash.display.Stage;
import flash.events.Event;
import flash.events.MouseEvent;
import flash.geom.Rectangle;

// A horizontal track with a round handle whose x is the slider's position, from 0 to the track
// width. Pressing the track moves the handle there and starts a drag, like pressing the handle.
class Slider extends Sprite {
	static inline var TRACK_HEIGHT = 8;
	static inline var HANDLE_RADIUS = 9;
	static inline var TRACK_COLOR = 0x151B22;
	static inline var RIM = 0x1B232C;

	public var handle(default, null):Sprite;
	public var trackWidth(default, null) = 0.0;
	public var dragging(default, null) = false;

	var track:Sprite;
	var filled:Shape;
	var fillColor:Int;
	var drawnAt = -1.0;
	var onPress:Void->Void;
	var onRelease:Void->Void;

	public function new(stage:Stage, trackWidth:Float, fillColor:Int, onPress:Void->Void, onRelease:Void->Void) {
		super();
		this.fillColor = fillColor;
		this.onPress = onPress;
		this.onRelease = onRelease;
		track = new Sprite();
		track.buttonMode = true;
		filled = new Shape();
		filled.y = -TRACK_HEIGHT / 2;
		handle = new Sprite();
		handle.buttonMode = true;
		var g = handle.graphics;
		g.lineStyle(2, RIM);
		g.beginFill(0xFFFFFF);
		g.drawCircle(0, 0, HANDLE_RADIUS);
		g.endFill();
		addChild(track);
		addChild(filled);
		addChild(handle);
		resize(trackWidth);

		track.addEventListener(MouseEvent.MOUSE_DOWN, function(_) {
			moveTo(track.mouseX);
			press();
		});
		handle.addEventListener(MouseEvent.MOUSE_DOWN, function(_) press());
		stage.addEventListener(MouseEvent.MOUSE_UP, release);
		addEventListener(Event.ENTER_FRAME, function(_) drawFill());
	}

	public function resize(width:Float):Void {
		var fraction = trackWidth > 0 ? handle.x / trackWidth : 0;
		trackWidth = width;
		var g = track.graphics;
		g.clear();
		// A taller transparent strip makes the thin track easy to hit.
		g.beginFill(0, 0);
		g.drawRect(-HANDLE_RADIUS, -HANDLE_RADIUS, width + 2 * HANDLE_RADIUS, 2 * HANDLE_RADIUS);
		g.endFill();
		g.beginFill(TRACK_COLOR);
		g.drawRoundRect(0, -TRACK_HEIGHT / 2, width, TRACK_HEIGHT, TRACK_HEIGHT);
		g.endFill();
		moveTo(fraction * width);
	}

	public function moveTo(x:Float):Void {
		handle.x = Math.max(0, Math.min(trackWidth, x));
		drawFill();
	}

	function press():Void {
		dragging = true;
		handle.startDrag(false, new Rectangle(0, 0, trackWidth, 0));
		onPress();
	}

	function release(_:MouseEvent):Void {
		if (!dragging)
			return;
		handle.stopDrag();
		dragging = false;
		onRelease();
	}

	function drawFill():Void {
		if (handle.x == drawnAt)
			return;
		drawnAt = handle.x;
		var g = filled.graphics;
		g.clear();
		if (drawnAt <= 0)
			return;
		g.beginFill(fillColor);
		g.drawRoundRect(0, 0, drawnAt, TRACK_HEIGHT, TRACK_HEIGHT);
		g.endFill();
	}
}
